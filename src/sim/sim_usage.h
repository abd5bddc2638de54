#pragma once
// The text of qx310-sim --help: every option of the program (its manual page is checked
// against it).
extern const char kSimUsage[];
