#pragma once

#include <string>

// The one-line description of a tool or application that could not be started.
std::string describeStartFailure(const std::string& executable, int errorNumber);
