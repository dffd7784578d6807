#pragma once

// What is put in place of a platform service (by tests: message boxes, the shell, the clock; by the program's
// end: message boxes): while a seam is alive the service goes through it. Seams of one kind nest; the innermost
// answers.
template <typename Seam> class ScopedSeam {
public:
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

    // The innermost seam of this kind alive, or nullptr.
    static Seam* live() { return live_; }

protected:
    ScopedSeam() : outer_(live_) { live_ = static_cast<Seam*>(this); }
    ~ScopedSeam() { live_ = outer_; }

private:
    inline static Seam* live_ = nullptr;
    Seam* outer_;
};
