#pragma once

#include <functional>
#include <streambuf>

// Answers "o" to the question after running `change`, which the question leaves time for.
class AnswerAfter : public std::streambuf {
public:
    explicit AnswerAfter(std::function<void()> change) : change_(std::move(change)) {}

protected:
    int_type underflow() override {
        if (!change_) {
            return traits_type::eof();
        }
        change_();
        change_ = nullptr;
        setg(answer_, answer_, answer_ + 2);
        return traits_type::to_int_type(answer_[0]);
    }

private:
    std::function<void()> change_;
    char answer_[2] = {'o', '\n'};
};
