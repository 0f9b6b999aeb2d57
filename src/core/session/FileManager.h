#pragma once

#include <QString>

// The desktop's file manager.
namespace FileManager {

// Opens a file manager window with the item selected (org.freedesktop.FileManager1 over the
// session bus); without such a service, opens the folder that holds the item.
void reveal(const QString &absolutePath);

} // namespace FileManager
