#pragma once

#include <QLabel>

// A label that acts as a link: `clicked` when the left button is pressed and released over it. To assistive
// technologies it is a link whose "press" action follows it, though it never takes the keyboard focus.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

    // Follows the link as a click does.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
