// The shortest decimal text of a double that reads back to the same value,
// always with a fraction part: 997 is "997.0", 1024.5 is "1024.5". The
// renderer reads its width argument and its measurement answers in this form.
#pragma once

#include <string>

std::string shortestDecimal(double value);
