#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "display/GraphSetting.h"
#include "display/ui/GraphDlg.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QRadioButton;

// How the Setting dialog asks the user: a colour chooser and the "Tip" box.
// Empty functions use QColorDialog and CUserMessages; tests answer instead.
struct ColorSettingPrompts {
    // The chosen colour, or nothing when the chooser was cancelled.
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> chooseColour;
    std::function<void(QWidget* parent, const QString& caption, const QString& text)> showTip;
};

// The "Setting" dialog: the graph's colours, shown at once on a preview graph
// of the same document, and an automatic or a manual Y scale picked from two
// fixed lists.
class CColorSetting : public QDialog {
    Q_OBJECT
  public:
    using Colour = CGraphDlg::Colour;

    // Filled from graph (colours, document, Y range) and the view's choices.
    CColorSetting(const CGraphDlg& graph, bool autoScale, const GraphManualScale& manual,
                  QWidget* parent = nullptr, ColorSettingPrompts prompts = {});

    QColor GetColour(Colour which) const { return m_colours[static_cast<std::size_t>(which)]; }
    bool AutoScale() const { return m_bAutoScale; }
    // The selections and numbers of the last accepted selection check.
    const GraphManualScale& Selections() const { return m_selections; }
    const SettingScaleValues& Values() const { return m_values; }

    CGraphDlg* Preview() const { return m_pPreview; }
    QComboBox* MaximumList() const { return m_pMaximum; }
    QComboBox* MinimumList() const { return m_pMinimum; }
    QRadioButton* ManualButton() const { return m_pManual; }
    QRadioButton* AutoButton() const { return m_pAuto; }
    // The "..." button of a colour (Background, Border, Grid or Line1).
    QAbstractButton* ChooseButton(Colour which) const;
    // Where the line sample is drawn.
    QRect LineSampleRect() const;

    void accept() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Choose(Colour which);
    void ShowColours();
    void OnScaleMode();
    // Stores the selections when they form a valid pair; otherwise says why.
    bool CheckSelection();

    ColorSettingPrompts m_prompts;
    std::array<QColor, 6> m_colours;
    bool m_bAutoScale;
    GraphManualScale m_selections;
    SettingScaleValues m_values;
    CGraphDlg* m_pPreview;
    std::array<QLabel*, 3> m_swatches{};  // background, border, grid
    std::array<QAbstractButton*, 4> m_chooseButtons{};
    QRadioButton* m_pManual;
    QRadioButton* m_pAuto;
    QComboBox* m_pMaximum;
    QComboBox* m_pMinimum;
};

// The view's Graph Setting command: opens the dialog on the graph and the
// view's scale choices; on OK applies it (ApplyGraphSetting). Cancel changes
// nothing. Returns whether OK was pressed.
bool RunGraphSetting(QWidget* parent, CGraphDlg& graph, bool& autoScale, GraphManualScale& manual,
                     const DocumentSummary& summary, const ColorSettingPrompts& prompts = {});

// What OK does: the graph takes the colours; unless the dialog's minimum is
// above its maximum, the view takes the auto flag (and, manual, the two
// selections) and the graph its new Y range; then the graph repaints.
void ApplyGraphSetting(const CColorSetting& dialog, CGraphDlg& graph, bool& autoScale,
                       GraphManualScale& manual, const DocumentSummary& summary);
