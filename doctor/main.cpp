// varnix-doctor: what stands between this machine and a working board, and the
// fix for each. See `varnix-doctor --help`.
#include "doctor/Doctor.h"
#include "doctor/DoctorOptions.h"
#include "doctor/JsonPrinter.h"
#include "doctor/TextPrinter.h"
#include "platform/ProgramInfo.h"

#include <QCoreApplication>

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char* argv[])
{
    const DoctorOptions options = DoctorOptions::Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "varnix-doctor: %s (varnix-doctor --help lists the options)\n", options.error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        const std::string text = options.help ? DoctorOptions::Usage() : ProgramInfo::VersionText("varnix-doctor");
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    struct stat root {};
    if (!options.root.empty() && (::stat(options.root.c_str(), &root) != 0 || !S_ISDIR(root.st_mode))) {
        std::fprintf(stderr, "varnix-doctor: --root %s is not a folder\n", options.root.c_str());
        return 2;
    }

    QCoreApplication application(argc, argv);
    const SystemImage image(options.root);
    const UserSession session = UserSession::Of(image);
    const Report report = Doctor::Run({image, session, options.network});
    const std::string text = options.json ? JsonPrinter::Print(report) : TextPrinter::Print(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return report.HasProblem() ? 1 : 0;
}
