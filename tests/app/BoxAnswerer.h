#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>

// A person in front of real message boxes: each box that opens is read, left open for a while,
// then answered with the next button caption of the list. A box that closes before it is
// answered leaves no line.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::deque<QString> answers) : answers_(std::move(answers)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
        poll_.start(10);
    }

    // "title|text|caption clicked" for each box answered.
    QStringList seen;

private:
    static constexpr int kThinkingMs = 150;

    void Look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != current_) {
            current_ = box;
            opened_.start();
        }
        if (box == nullptr || opened_.elapsed() < kThinkingMs || answers_.empty()) {
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == answers_.front()) {
                seen << Describe(box) + QLatin1Char('|') + answers_.front();
                answers_.pop_front();
                current_ = nullptr;
                button->click();
                return;
            }
        }
    }

    static QString Describe(const QMessageBox* box) {
        return box->windowTitle() + QLatin1Char('|') + box->text();
    }

    std::deque<QString> answers_;
    QTimer poll_;
    QPointer<QMessageBox> current_;
    QElapsedTimer opened_;
};
