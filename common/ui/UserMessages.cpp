#include "common/ui/UserMessages.h"

#include <QApplication>
#include <QWidget>

namespace {

CUserMessages* NearestMessages(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* messages = w->findChild<CUserMessages*>(QString(), Qt::FindDirectChildrenOnly)) {
            return messages;
        }
    }
    return nullptr;
}

void ShowBox(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

CUserMessages::CUserMessages(QWidget* window) : QObject(window) {}

void CUserMessages::Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                         const QString& title) {
    const QString caption = title.isEmpty() ? QApplication::applicationDisplayName() : title;
    if (CUserMessages* messages = NearestMessages(parent)) {
        messages->Present(parent, caption, text, icon);
    } else {
        ShowBox(parent, caption, text, icon);
    }
}

QMessageBox::StandardButton CUserMessages::AskSaveChanges(QWidget* parent, const QString& title,
                                                          const QString& question) {
    QMessageBox box(QMessageBox::Warning, title, question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("saveChangesBox"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CUserMessages::Present(QWidget* parent, const QString& title, const QString& text,
                            QMessageBox::Icon icon) {
    ShowBox(parent, title, text, icon);
}
