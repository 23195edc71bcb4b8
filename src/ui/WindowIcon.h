#pragma once

#include <QIcon>

// The program's icon, a quaver on a blue tile, drawn at 16x16 and 32x32.
QIcon WindowIcon();
