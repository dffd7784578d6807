#pragma once

#include <QLineEdit>
#include <functional>

// A single-line box with key hooks: key-down sees the key code and may swallow it by setting it to 0;
// key-press sees each typed character (dead keys and input-method commits included) and may replace it
// or swallow it by leaving an empty text. Pasted text passes no hook.
class NameBox : public QLineEdit {
    Q_OBJECT
public:
    using KeyDownHook = std::function<void(int& keyCode)>;
    using KeyPressHook = std::function<void(QString& character)>;

    // Key code of Enter, as the hooks see it (both Return and the keypad's Enter).
    static constexpr int EnterKeyCode = 13;

    explicit NameBox(QWidget* parent = nullptr);

    void setKeyDownHook(KeyDownHook hook) { keyDown_ = std::move(hook); }
    void setKeyPressHook(KeyPressHook hook) { keyPress_ = std::move(hook); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    KeyDownHook keyDown_;
    KeyPressHook keyPress_;
};
