#include "app/ControlDlgBar.h"

#include <QAction>
#include <QActionGroup>

#include "app/DocumentWindows.h"
#include "common/ui/CommandIds.h"
#include "display/ui/Artwork.h"
#include "display/ui/GraphDlg.h"
#include "docview/ui/RoZudozuvView.h"

const CControlDlgBar::Button CControlDlgBar::kButtons[9] = {
    {"Move", cmd::kToolMove, GraphTool::Move},       {"Rect", cmd::kToolRect, GraphTool::RectZoom},
    {"YBig", cmd::kToolYBig, GraphTool::YZoom},      {"XBig", cmd::kToolXBig, GraphTool::XZoom},
    {"Big", cmd::kToolBig, GraphTool::ZoomIn},       {"Small", cmd::kToolSmall, GraphTool::ZoomOut},
    {"Show", cmd::kToolShow, GraphTool::Show},       {"All", cmd::kToolAll, std::nullopt},
    {"FFT", cmd::kFftAnalysis, GraphTool::FftRange},
};

CControlDlgBar::CControlDlgBar(QWidget* parent)
    : QToolBar(tr("Graph Tools"), parent), m_pTools(new QActionGroup(this)) {
    setObjectName(QStringLiteral("controlDlgBar"));
    setIconSize(QSize(32, 32));
    m_pTools->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const Button& button : kButtons) {
        const QString text = tr(button.text);
        QAction* action = addAction(text);
        action->setData(button.command);
        action->setToolTip(text);
        action->setIcon(ToolButtonIcon(button.command));
        if (!button.tool) {
            connect(action, &QAction::triggered, this, &CControlDlgBar::showAllRequested);
            continue;
        }
        const GraphTool tool = *button.tool;
        action->setCheckable(true);
        action->setChecked(tool == GraphState{}.tool);
        m_pTools->addAction(action);
        connect(action, &QAction::triggered, this, [this, tool] { emit toolChosen(tool); });
    }
}

void CControlDlgBar::ActOn(const CDocumentWindows& windows) {
    connect(this, &CControlDlgBar::toolChosen, this, [&windows](GraphTool tool) {
        if (CRoZudozuvView* view = windows.CurrentView()) {
            view->Graph()->SetTool(tool);
        }
    });
    connect(this, &CControlDlgBar::showAllRequested, this, [&windows] {
        if (CRoZudozuvView* view = windows.CurrentView()) {
            view->Graph()->ResetView();
        }
    });
    connect(&windows, &CDocumentWindows::currentViewChanged, this,
            [this](CRoZudozuvView* view) { ShowTool(view->Graph()->Tool()); });
}

void CControlDlgBar::ShowTool(GraphTool tool) {
    for (const Button& button : kButtons) {
        if (button.tool == tool) {
            for (QAction* action : m_pTools->actions()) {
                if (action->data().toInt() == button.command) {
                    action->setChecked(true);
                }
            }
        }
    }
}
