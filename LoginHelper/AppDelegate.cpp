#include "LoginHelper/AppDelegate.h"

#include "LoginHelper/VLGLibPointer.h"
#include "LoginHelper/VLHelperBundle.h"
#include "LoginHelper/VLMainApplication.h"

#include <cstdio>

int AppDelegate::applicationDidFinishLaunching() {
    if (VLMainApplication::isRunning())
        return 0;
    GError* failure = nullptr;
    const std::string executable = VLHelperBundle::executablePath(&failure);
    if (!failure) {
        const std::string bundle = VLHelperBundle::bundlePath(executable);
        VLMainApplication::open(VLHelperBundle::mainApplicationPath(bundle), &failure);
    }
    if (!failure)
        return 0;
    const VLGErrorPointer error(failure);
    // GError messages are UTF-8 and may hold paths that are not: written as they are, not converted to
    // the locale's character set.
    std::fprintf(stderr, "Failed to open Velto: %s\n", error->message);
    return 1;
}
