// The settings tab as a widget of its own: the open, packing, reopen and
// added-subtitle preferences. It owns its check boxes and keeps them
// consistent (the packing and reopen choices act as one choice each; a
// switch enables its dependants). The rest of the window asks it plain
// questions instead of reading its boxes, and it reads and writes its own
// stored values.
#pragma once

#include <QString>
#include <QWidget>

#include "writer/remux_options.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quillon::ui {

class ClickableImage;

// Which file the window opens after a save that built a new one.
enum class ReopenChoice { Source, Result, Ask };

// What a subtitle track added from a file gets without the track panel.
struct SubtitleDefaults {
    bool apply = false;  // accept the panel at once with the values below
    QString language;    // empty: the track keeps the panel's placeholder
    bool makeDefault = false;
};

class SettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit SettingsTab(QWidget* parent);

    // ---- opening a file
    bool OpensAtOnce() const;         // a chosen file opens without the open button
    bool SwitchesToContents() const;  // a chosen file brings the contents tab forward
    bool WarnsOfBigFiles() const;
    void StopBigFileWarnings();       // the user asked not to be told again
    bool ChecksTimeline() const;      // a full open and a save run the timeline check

    // ---- packing of a remux
    // A new file starts from "as it was", every packing offered.
    void ResetPacking();
    // Video with forward references cannot be packed as SimpleBlocks: the
    // choice goes back to "as it was" when they are not allowed.
    void AllowSimpleBlocks(bool allowed);
    Packing packing() const;
    ClusterRule clusterRule() const;

    ReopenChoice reopenChoice() const;
    SubtitleDefaults subtitleDefaults() const;

    // The README, as a click on the logo (and F1) opens it.
    void ImageLOGOClick();

    // The stored preferences of this tab (settings_store.cpp).
    void ReadSettings();
    void WriteSettings() const;

private:
    void Build();
    void ConnectHandlers();
    void CheckKBClick(QCheckBox* chosen);
    void CheckEISHClick(QCheckBox* chosen);
    void CheckDEFClick();
    void CheckZNAClick();

    QCheckBox* CheckSFQO;
    QCheckBox* CheckSOD;
    QCheckBox* Check1G;
    QCheckBox* CheckTL;
    QLabel* LabelPB;
    QCheckBox* CheckKB;
    QCheckBox* CheckSB;
    QCheckBox* CheckBG;
    QCheckBox* CheckZNA;
    QCheckBox* CheckKKF;
    QCheckBox* CheckOTI;
    QLabel* LabelAE1;
    QLabel* LabelAE2;
    QCheckBox* CheckEISH;
    QCheckBox* CheckEREZ;
    QCheckBox* CheckEASK;
    QCheckBox* CheckDEF;
    QLabel* LabelDLA;
    QLineEdit* EditDLA;
    QCheckBox* CheckDTR;
    ClickableImage* ImageLOGO;
};

}  // namespace quillon::ui
