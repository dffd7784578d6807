#pragma once

#include <QComboBox>
#include <QPlainTextEdit>
#include <QWidget>

// The least a window showing what the main window shows at start-up can be: the same controls as plain Qt
// widgets, at the same places, with the same fonts, colours, captions and icon, the list closed on one name
// and the notes laid out with the caret at the end. No list of every person, no handlers.
class FloorWindow : public QWidget {
public:
    FloorWindow();
    void showFirstPerson(const QString& name, const QString& notes);

private:
    QComboBox* list_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
};
