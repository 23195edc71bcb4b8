#include "cli/CliPictures.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "cli/CliOutput.h"
#include "plot/CurvePainter.h"
#include "plot/PianoRollPainter.h"
#include "plot/PictureFile.h"
#include "plot/RollData.h"

#include <algorithm>
#include <functional>

namespace {

constexpr int CurveWidth = 800;
constexpr int CurveHeight = 400;
// Pixels per note of the roll, as wide as a picture viewer still shows at once for a long melody.
constexpr int RollColumnWidth = 8;
constexpr int RollRowHeight = 8;

std::string WritePicture(const std::string& path, QSize size, const std::function<void(QPainter&, QRect)>& paint,
                         platform::FileSystem& files) {
    const std::string bytes = PictureFile::Render(*PictureFile::FormatOf(path), size, paint);
    const platform::FileResult<> written =
        bytes.empty() ? platform::FileFailed(app::messages::cli::PictureNotRendered) : files.replaceFile(path, bytes);
    if (!written)
        return app::messages::cli::PictureNotWritten(path, written.error().reason);
    return {};
}

} // namespace

int CheckPicturePath(const CliArguments& args, std::string_view name, std::string_view command, std::ostream& err) {
    const std::optional<std::string> path = args.text(name);
    if (path && !PictureFile::FormatOf(*path))
        return Fail(err, CliUsageError,
                    app::messages::cli::OfCommand(command, app::messages::cli::NotAPicture(name, *path)));
    return CliSuccess;
}

std::string WriteCurve(const std::string& path, const app::Session& session, platform::FileSystem& files) {
    const std::vector<app::CurvePoint>& curve = session.learningCurve();
    return WritePicture(
        path, QSize(CurveWidth, CurveHeight),
        [&](QPainter& painter, QRect target) { CurvePainter::paint(painter, target, curve); }, files);
}

std::string WriteRoll(const std::string& path, const app::Session& session, const std::vector<uint8_t>& codes,
                      const app::LearningReport& scored, platform::FileSystem& files) {
    const RollData roll = RollDataOf(session.beginning(), codes, &scored);
    const int width =
        std::clamp(PianoRollPainter::LabelWidth + 8 + roll.columns() * RollColumnWidth, 320, app::limits::PictureWidth);
    return WritePicture(
        path, QSize(width, 49 * RollRowHeight + 8),
        [&](QPainter& painter, QRect target) { PianoRollPainter::paint(painter, target, roll); }, files);
}
