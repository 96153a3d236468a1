// The one place messages are shown: the nearest CUserMessages up a widget's
// parents takes them; without one, a message box shows them.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>

#include "AppTestSupport.h"
#include "common/ui/UserMessages.h"

namespace {

class CCollected : public CUserMessages {
  public:
    using CUserMessages::CUserMessages;
    QStringList seen;

  protected:
    void Present(QWidget*, const QString& title, const QString& text,
                 QMessageBox::Icon icon) override {
        seen.append(QStringLiteral("%1|%2|%3").arg(title, text).arg(static_cast<int>(icon)));
    }
};

TEST(UserMessages, TheNearestPlaceUpTheParentsShowsEachMessage) {
    TestApp();
    const QString program = QApplication::applicationDisplayName();
    QWidget window;
    auto* outer = new CCollected(&window);
    QDialog dialog(&window);
    auto* field = new QLineEdit(&dialog);

    CUserMessages::Warn(field, QStringLiteral("Enter an integer."), QStringLiteral("Port"));
    CUserMessages::Show(&dialog, QStringLiteral("Done."));
    EXPECT_EQ(outer->seen, (QStringList{"Port|Enter an integer.|2", program + "|Done.|1"}));

    auto* inner = new CCollected(&dialog);
    CUserMessages::Show(field, QStringLiteral("Copied."), QMessageBox::NoIcon,
                        QStringLiteral("Tip"));
    EXPECT_EQ(inner->seen, QStringList{"Tip|Copied.|0"});
    EXPECT_EQ(outer->seen.size(), 2);
}

TEST(UserMessages, WithoutAPlaceAMessageBoxShowsIt) {
    TestApp();
    QWidget window;
    QString text;
    AnswerNextBox(QMessageBox::Ok, &text);
    CUserMessages::Warn(&window, QStringLiteral("Destination disk drive is full."));
    EXPECT_EQ(text, "Destination disk drive is full.");
}

}  // namespace
