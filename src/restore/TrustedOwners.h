#pragma once

#include <sys/types.h>

#include <string>

#include "shared/TrustedOwners.h"

// "1001 (mallory)", or the number alone when the running system has no such user.
std::string DescribeOwner(uid_t owner);
