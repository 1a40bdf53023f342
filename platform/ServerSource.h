#pragma once

#include "OpenFileSource.h"

#include <memory>

// The open-file source of this operating system, as the window's inventory uses it.
std::shared_ptr<OpenFileSource> makeServerSource();
