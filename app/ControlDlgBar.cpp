#include "app/ControlDlgBar.h"

#include <QAction>
#include <QFile>
#include <QIcon>

#include "app/CommandIds.h"

const CControlDlgBar::Button CControlDlgBar::kButtons[9] = {
    {"Move", cmd::kToolMove, ":/tools/move.svg"},  {"Rect", cmd::kToolRect, ":/tools/rect.svg"},
    {"YBig", cmd::kToolYBig, ":/tools/ybig.svg"},  {"XBig", cmd::kToolXBig, ":/tools/xbig.svg"},
    {"Big", cmd::kToolBig, ":/tools/big.svg"},     {"Small", cmd::kToolSmall, ":/tools/small.svg"},
    {"Show", cmd::kToolShow, ":/tools/show.svg"},  {"All", cmd::kToolAll, ":/tools/all.svg"},
    {"FFT", cmd::kFftAnalysis, ":/tools/fft.svg"},
};

CControlDlgBar::CControlDlgBar(QWidget* parent) : QToolBar(QStringLiteral("Graph Tools"), parent) {
    setObjectName(QStringLiteral("controlDlgBar"));
    setIconSize(QSize(32, 32));
    for (const Button& button : kButtons) {
        const QString text = QString::fromLatin1(button.text);
        auto* action = addAction(text);
        action->setData(button.command);
        action->setToolTip(text);
        if (QFile::exists(QString::fromLatin1(button.icon))) {
            action->setIcon(QIcon(QString::fromLatin1(button.icon)));
        }
        const int id = button.command;
        connect(action, &QAction::triggered, this, [this, id] { emit command(id); });
    }
}
