#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <array>
#include <string>

#include "display/GraphTools.h"

// The point inspector: a light yellow panel at the graph's top-left corner
// with the number, time, value, unit and type of one record in read-only
// fields. The graph owns it and shows it while the Show tool is pressed.
class CShowData : public QWidget {
    Q_OBJECT
  public:
    explicit CShowData(QWidget* parent = nullptr);

    void ShowRecord(long long index, const CObData& record);

    // The five texts as shown: Num, Time, Value, Unit, Type.
    const ShowDataTexts& Texts() const { return m_texts; }
    QLineEdit* Field(int row) const { return m_fields[static_cast<std::size_t>(row)]; }

  private:
    ShowDataTexts m_texts;
    std::array<QLineEdit*, 5> m_fields{};
};
