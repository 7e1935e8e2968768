#pragma once

// A file written at the path the person chose in a Save As or print dialog,
// replacing what stands there (the dialog has asked first), through the file
// layer (files/FileLayer.h): the folder is walked without following a link
// that another user may place, a link of the person's own at the name is
// followed to the file it leads to, and the new file takes the name only
// once it is whole, never through a link that appeared there meanwhile.

#include <QByteArray>
#include <QString>

namespace zorvane::results {

// Empty when written; otherwise the reason, in words for the person, and
// whatever stood at the name is as it was.
QString writeChosenFile(const QString& path, const QByteArray& contents);

}  // namespace zorvane::results
