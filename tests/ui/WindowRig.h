#pragma once

#include "app/Session.h"
#include "numbers/NumberText.h"
#include "support/PlatformFakes.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The window on fakes of every service, "/tmp" its working folder, its
// session seeded before the window's start-up builds anything.
struct WindowRig {
    WindowRig() { files.folders.insert("/tmp"); }
    template <typename T = QWidget>
    T* control(const QString& name) const {
        return window.findChild<T*>(name);
    }
    QLineEdit* field(const QString& name) const { return control<QLineEdit>(name); }
    QString text(const QString& name) const { return field(name)->text(); }
    void type(const QString& name, const QString& text) { field(name)->setText(text); }
    void click(const QString& name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    // Types a melody of `notes` codes, each `step` semitones above the last within the four octaves.
    void typeMelody(int notes, int step) {
        QStringList codes;
        for (int i = 0; i < notes; ++i)
            codes << QString::number(2 + i * step % 48);
        type("Text1(0)", codes.join(", "));
    }
    // The message boxes shown so far, "<icon>:<text>".
    QStringList shown() const {
        QStringList list;
        std::ranges::transform(messages.shown, std::back_inserter(list), &QString::fromStdString);
        return list;
    }

    MemoryFileSystem files;
    FakeStarter starter{files};
    PlainLocaleNumbers numbers;
    app::Session session{app::LoadFormulaLibrary().library, files, starter, numbers};
    bool seeded = (session.SetSeed(12345), true);
    FakeMessageBox messages;
    FakeFileDialogs dialogs;
    frmMain window{session, messages, dialogs, files};
};
