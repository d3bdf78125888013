#include "LoginHelper/AppDelegate.h"
#include "LoginHelper/VLGLibPointer.h"
#include "LoginHelper/VLHelperBundle.h"
#include "LoginHelper/VLLoginItem.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: Velto_Helper [--add-login-item | --remove-login-item]\n");
    return 2;
}

// 0, or 1 after the failure's message on standard error.
int finish(bool succeeded, GError* failure, const char* action) {
    if (succeeded)
        return 0;
    const VLGErrorPointer error(failure);
    std::fprintf(stderr, "Can't %s the login item: %s\n", action, error->message);
    return 1;
}

int addLoginItem() {
    GError* failure = nullptr;
    const std::string executable = VLHelperBundle::executablePath(&failure);
    const bool added = !failure && VLLoginItem::add(executable, &failure);
    return finish(added, failure, "add");
}

int removeLoginItem() {
    GError* failure = nullptr;
    const bool removed = VLLoginItem::remove(&failure);
    return finish(removed, failure, "remove");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1)
        return AppDelegate().applicationDidFinishLaunching();
    if (argc == 2 && std::strcmp(argv[1], "--add-login-item") == 0)
        return addLoginItem();
    if (argc == 2 && std::strcmp(argv[1], "--remove-login-item") == 0)
        return removeLoginItem();
    return usage();
}
