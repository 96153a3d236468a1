#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The dialogs of the File commands; an empty name is a cancel.
QString AskDataFileToOpen(QWidget* parent);
QString AskDataFileToSave(QWidget* parent, const QString& suggested);
QString AskExcelFileToSave(QWidget* parent, const QString& suggested);
// "Save changes to NAME?" under `title`: Save, Discard or Cancel.
QMessageBox::StandardButton AskSaveChangesBox(QWidget* parent, const QString& title,
                                              const QString& name);
