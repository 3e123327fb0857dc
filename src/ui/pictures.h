// The window's small pictures, drawn here at start-up: glyphs of the track
// grid, read-state lamps, flags, and the images that act as buttons. The
// names follow the images they stand for; the hidden ones are pictures that
// handlers copy into visible images.
#pragma once

#include <QPixmap>

namespace quillon::ui::pictures {

// Read state: three lamps, lit from the left as far as the file was read.
QPixmap Image000();  // nothing read
QPixmap Image100();  // header read or quick scan
QPixmap Image110();  // full scan without tree
QPixmap Image111();  // full scan with tree

// Track grid glyphs.
QPixmap ImageRG();   // a selected track of the file
QPixmap ImagePL();   // a selected track that was added
QPixmap ImageBD();   // default track in the file
QPixmap ImageRD();   // made default by an edit

// Language flags, highlighted (B) and dimmed (G).
QPixmap ImageBRU();
QPixmap ImageGRU();
QPixmap ImageBEN();
QPixmap ImageGEN();

QPixmap OpenFolder();    // ImageFI
QPixmap StopSign();      // ImageX
QPixmap Hourglass();     // ImageWO
QPixmap SaveDisk();      // ImageSA
QPixmap NewFileMark();   // ImageSATT
QPixmap Magnifier();     // Image8
QPixmap CrossMark();     // closes a floating panel
QPixmap SelectAll();     // ImageTX, and ImageSE of the import window
QPixmap ConfirmMark();   // Image2 of the import window
QPixmap Logo();          // the settings tab's logo

}  // namespace quillon::ui::pictures
