#include "systeminfo.h"

#include <cstdlib>
#include <cstdio>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

std::filesystem::path homeOfCurrentUser() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
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
        // NOLINTNEXTLINE(cert-err34-c): a release string that does not parse leaves zeros.
        std::sscanf(name.release, "%d.%d.%d", &info.osVersion[0], &info.osVersion[1],
                    &info.osVersion[2]);
    }
    return info;
}
