#pragma once

// The program's version, "01.23.04", as the build gives it: compiled into one
// source file only, so a build of another version rebuilds that file alone.
const char *versaoAplicacao();
