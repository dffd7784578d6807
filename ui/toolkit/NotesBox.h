#pragma once

#include <QPlainTextEdit>
#include <memory>
#include <vector>

// The notes box. The program sees its text with CR LF line breaks and every other character exactly
// as typed (non-breaking spaces included); Tab moves the focus like in any other control.
// "Changed" is the document's modified flag: set by every edit, by the user or by code.
class NotesBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit NotesBox(QWidget* parent = nullptr);

    // The whole text, lines separated by CR LF.
    QString text() const;
    // Shows text read from the ledger: replaces everything and marks the notes unchanged.
    void loadText(const QString& text);
    // Replaces the text by code (same length or not) and marks the notes changed; the caret and the
    // scroll position stay where they were as far as the new text allows.
    void replaceText(const QString& text);
    // Appends text at the end by code and marks the notes changed; nothing else is laid out again.
    void appendText(const QString& text);
    bool isEmpty() const;

    // Caret after the last character, nothing selected, scrolled into view.
    void moveCaretToEnd();
    // The caret's place in the box, and a move there (or to the end, when the text is shorter), scrolled into view.
    int caretPlace() const;
    void moveCaretTo(int place);

    // Points added to the font the box was given (negative: removed), within [MinZoom, MaxZoom]; Ctrl with the wheel
    // zooms by one point a notch.
    static constexpr int MinZoom = -6;
    static constexpr int MaxZoom = 24;
    int zoom() const { return zoom_; }
    void setZoom(int points);

    bool isChanged() const;
    void setChanged(bool changed);

    // A group of commands offered after the box's own in its context menu (find, print, zoom...), with their
    // shortcuts shown. The menu opens on a right click, the Menu key or Shift+F10.
    void addMenuCommands(const QList<QAction*>& commands) { menuGroups_.append(commands); }

    // The widget's paragraph and line breaks become CR LF.
    static QString fromWidgetText(const QString& widgetText);

Q_SIGNALS:
    void zoomChanged(int points);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void retireShownDocument();
    void freeRetiredDocuments();

    // Documents that showed large notes, kept until the box has been drawn with what replaced them.
    std::vector<std::unique_ptr<QTextDocument>> retired_;
    bool freeAfterPaint_ = false;
    QList<QList<QAction*>> menuGroups_;
    int zoom_ = 0;
    // What the wheel turned with Ctrl held that has not made a whole notch yet (a touchpad turns in small steps).
    int zoomWheelLeft_ = 0;
};
