#include "platform/ports/systeminfo.h"

#include <cstdio>
#include <cstdlib>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

std::filesystem::path homeOfCurrentUser() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

}  // namespace

SystemInfo SystemInfo::current() {
    SystemInfo info;
    info.homeDirectory = homeOfCurrentUser();
    info.realUserId = ::getuid();
    utsname name{};
    if (::uname(&name) == 0) {
        info.isMacOS = std::string_view(name.sysname) == "Darwin";
        int major = 0;
        int minor = 0;
        int patch = 0;
        // NOLINTNEXTLINE(cert-err34-c): a release string that does not parse leaves zeros.
        std::sscanf(name.release, "%d.%d.%d", &major, &minor, &patch);
        info.osVersion = {major, minor, patch};
    }
    return info;
}
