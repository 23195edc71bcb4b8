#include "cli/CliCommands.h"

#include <QCoreApplication>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // Qt's process and file classes expect an application object.
    QCoreApplication app(argc, argv);
    // Shares the window's data folder, where History lives when the
    // program's own folder cannot be written.
    QCoreApplication::setApplicationName(QStringLiteral("melodynet"));
    return RunCli(arguments, std::cout, std::cerr);
}
