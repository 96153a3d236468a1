#include "app/ControlDlgBar.h"

#include <QAction>

#include "common/ui/CommandIds.h"
#include "display/ui/Artwork.h"

const CControlDlgBar::Button CControlDlgBar::kButtons[9] = {
    {"Move", cmd::kToolMove}, {"Rect", cmd::kToolRect}, {"YBig", cmd::kToolYBig},
    {"XBig", cmd::kToolXBig}, {"Big", cmd::kToolBig},   {"Small", cmd::kToolSmall},
    {"Show", cmd::kToolShow}, {"All", cmd::kToolAll},   {"FFT", cmd::kFftAnalysis},
};

CControlDlgBar::CControlDlgBar(QWidget* parent) : QToolBar(QStringLiteral("Graph Tools"), parent) {
    setObjectName(QStringLiteral("controlDlgBar"));
    setIconSize(QSize(32, 32));
    for (const Button& button : kButtons) {
        const QString text = QString::fromLatin1(button.text);
        auto* action = addAction(text);
        action->setData(button.command);
        action->setToolTip(text);
        action->setIcon(ToolButtonIcon(button.command));
        const int id = button.command;
        connect(action, &QAction::triggered, this, [this, id] { emit command(id); });
    }
}
