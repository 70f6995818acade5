// The program icon, read from its .ico file without Qt's image plugins.
#pragma once

#include <QByteArray>
#include <QImage>

namespace platform::qt {

// The largest image of an .ico file, with the file's transparency. Entries
// are DIBs (any depth Qt's built-in BMP reader takes, plus their 1-bit mask)
// or PNGs. A file that is not a readable icon gives a null image.
QImage ReadIconFile(const QByteArray& file);

}  // namespace platform::qt
