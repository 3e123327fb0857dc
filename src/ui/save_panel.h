// The save panel under the track grid: export (CheckEX) or convert
// (CheckAVI), the output name (EditOUT) with its save picture (ImageSA), the
// mark that edits wait for a new file (ImageSATT), the type buttons of a
// single-track export (PanelSND, PanelSUB), the options of a remux (CheckCH,
// CheckAT, CheckTG, CheckCU, CheckSH) and the last save's result (LabelSR).
// It owns these controls and turns them into a save request; running the
// save is the window's, which hears saveRequested() and reports back.
#pragma once

#include <array>
#include <string>
#include <utility>

#include <QFrame>
#include <QString>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"
#include "save/save_request.h"

namespace quillon {
struct OfferedTypes;
}

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace quillon::ui {

class ClickableImage;
class SettingsTab;

class SavePanel : public QFrame {
    Q_OBJECT
public:
    // The settings tab says how a remux packs its blocks.
    SavePanel(const Document& doc, const Host& host, const SettingsTab& settings, QWidget* parent);

    // Export and convert both off, as their own clicks leave the panel: idle.
    void UncheckOutputSwitches();
    // Convert is offered for one video and at most one audio track.
    void EnableAviByTracks();
    // The name a new file made from the open file is proposed under.
    void ProposeOutputName();

    // Edits that only a new file can hold are waiting (the mark beside the
    // save picture); a save or another open clears it.
    void ShowNewFileNeeded();
    void HideNewFileNeeded();
    bool NewFileNeeded() const;

    // The request the panel shows; the name box closes while the save runs.
    SaveRequest StartSave();
    // After the run: the panel idle again, the result said under it.
    void FinishSave(SaveOutcome outcome, const std::string& outputPath);
    // Ctrl+S: what the save picture's click does, while the picture is offered.
    void SaveByKey();

    // The tooltips of the picture-only controls in the interface's language.
    void ApplyLanguage();

signals:
    void saveRequested();

private:
    void Build();
    void ConnectHandlers();
    void CheckEXClick();
    void CheckAVIClick();
    void OutOn();
    void OutOff();
    void galkiOff();
    void ActivateAudioTypes();
    void ActivateSubsTypes();
    void ChangeOutExt(const QString& extension);
    // Checks or unchecks `box`, running its handler when the state changes.
    void SetChecked(QCheckBox* box, bool checked);
    void ShowSaveResult(SaveOutcome outcome, const std::string& outputPath);
    QString Tr(const char* rus) const;

    // The type buttons with their export types (export_types.cpp).
    using TypeButtonRows = std::array<std::pair<QRadioButton*, ExportType>, 11>;
    TypeButtonRows TypeButtons() const;
    ExportType ExportTypeOf(const QRadioButton* button) const;
    // The first checked, shown type button in the dispatch order (AC3, AAC,
    // OGG, FLAC, MP3, WA3, WAV, SRT, ASS); else the Matroska output of the
    // shown type panel (Mka, Mks), or None for a remux of several tracks.
    ExportType ChosenExportType() const;
    // Shows the offered buttons of a type panel and hides the others.
    void ShowOffered(QFrame* typePanel, const OfferedTypes& offered);

    const Document& doc_;
    const Host& host_;
    const SettingsTab& settings_;

    QCheckBox* CheckEX;
    QCheckBox* CheckAVI;
    QLineEdit* EditOUT;
    ClickableImage* ImageSA;
    QLabel* ImageSATT;
    QLabel* LabelSR;  // the last save's result under the panel
    QFrame* PanelSND;
    QRadioButton* RadioMKA;
    QRadioButton* RadioAAC;
    QRadioButton* RadioAC3;
    QRadioButton* RadioMP3;
    QRadioButton* RadioOGG;
    QRadioButton* RadioFLAC;
    QRadioButton* RadioWA3;
    QRadioButton* RadioWAV;
    QFrame* PanelSUB;
    QRadioButton* RadioMKS;
    QRadioButton* RadioSRT;
    QRadioButton* RadioASS;
    QCheckBox* CheckCH;
    QCheckBox* CheckTG;  // the Tags (less those aimed at what the new file does not hold)
    QCheckBox* CheckAT;
    QCheckBox* CheckCU;
    QCheckBox* CheckSH;
};

}  // namespace quillon::ui
