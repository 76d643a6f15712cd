// The pictures of the user guide: the main window on each of its pages, the
// stress-test window and the composite-tax dialog, as a service engineer sees
// them once the link is open in service mode. `kasmon -tech --pictures DIR`
// saves them as PNG files and ends.
#pragma once

#include <QString>
#include <QStringList>

namespace kasmon {

class TForm1;

// The option that asks for the pictures, and the folder it names (empty when
// the arguments do not ask for them).
QString picturesFolder(const QStringList& arguments);

// Opens the link, shows each window in turn and saves it into `folder`.
// Returns the program's exit code: 0 when every picture was saved.
int savePictures(TForm1& form, const QString& folder);

} // namespace kasmon
