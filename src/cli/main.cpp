#include "cli/CliCommands.h"
#include "platform/ProgramVersion.h"

#include <QCoreApplication>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (arguments.size() == 1 && arguments.front() == "--version")
        return platform::printVersion("melodynet-cli");
    // Qt's process and file classes expect an application object.
    QCoreApplication app(argc, argv);
    // Shares the window's data folder, where History lives when the
    // program's own folder cannot be written.
    QCoreApplication::setApplicationName(QStringLiteral("melodynet"));
    const int status = RunCli(arguments, std::cout, std::cerr);
    // Results that did not reach their reader (a full disk, a closed pipe)
    // make the run a failure.
    if (!std::cout.flush()) {
        std::cerr << "melodynet-cli: не удалось записать результат в стандартный вывод\n";
        return status == CliSuccess ? CliFailure : status;
    }
    return status;
}
