#pragma once

#include <QString>

// The about box's text: program, version, system, host and network interfaces.
namespace sobre {

QString texto();

} // namespace sobre
