#pragma once

#include "shell_global.h"

// The build date as the number yyyymmdd.
SHELL_EXPORT unsigned BuildDateNumber();
// The number yyyymmdd of a date written as the compiler writes its build date,
// "Mmm dd yyyy" with the day padded by a blank ("Jun  4 2014"); 0 when the
// text is not such a date.
SHELL_EXPORT unsigned BuildDateNumberOf(const char* date);
