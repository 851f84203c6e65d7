// vell-thermo-headless: the headless mode as a program of its own, which vell-thermo --headless
// runs in its place. It links the sensor link and nothing of the window.

#include "cli/Headless.h"
#include "cli/Startup.h"

int main(int argc, char* argv[]) {
    Options options;
    if (const int status = Startup::readCommandLine(argc, argv, &options); status >= 0)
        return status;
    if (!options.headless)
        return Startup::usageError(QStringLiteral("this program only runs --headless."));
    if (const QString problem = Startup::prepare(options); !problem.isEmpty())
        return Startup::usageError(problem);
    return Headless::runProgram(argc, argv, options);
}
