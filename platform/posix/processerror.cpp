#include "platform/posix/processerror.h"

#include <cstring>

std::string describeStartFailure(const std::string& executable, int errorNumber) {
    return "could not start " + executable + ": " + std::strerror(errorNumber) + " (errno " +
           std::to_string(errorNumber) + ")";
}
