#pragma once
// A text window on a temporary settings file, with scripted message boxes and dialogs.
#include "core/Placement.h"
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "editor/DocumentFiles.h"
#include "editor/EditorDialogs.h"
#include "editor/TMeltL.h"
#include "platform/AppPaths.h"
#include "ui/MessageDialog.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::setSettingsFilePathOverride(dir.filePath("zelmo32.INI"));
        editor::SetSaveDialogSource([this](const editor::FileDialogRequest& r) {
            saveRequests.append(r);
            return saveAnswer;
        });
        editor::SetOpenDialogSource(
            [this](const editor::FileDialogRequest&) { return openAnswer; });
        editor::SetFontDialogSource([this](const editor::FontChoice&) { return fontAnswer; });
        window = std::make_unique<TMeltM>(state);
    }
    void TearDown() override {
        window.reset();
        editor::SetSaveDialogSource(nullptr);
        editor::SetOpenDialogSource(nullptr);
        editor::SetFontDialogSource(nullptr);
        platform::setSettingsFilePathOverride(QString());
    }
    // Text as a user would have it: loaded, then changed.
    void setText(const QString& text, editor::TextEncoding enc = editor::TextEncoding::Cp932) {
        window->RichEdit1->setPlainText(text);
        window->SetEncoding(enc);
        window->SetModified(false);
        window->UpdateStatus();
    }
    void select(int start, int length) {
        QTextCursor c(window->RichEdit1->document());
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        window->RichEdit1->setTextCursor(c);
    }
    int selStart() const { return window->RichEdit1->textCursor().selectionStart(); }
    int selLength() const {
        const QTextCursor c = window->RichEdit1->textCursor();
        return c.selectionEnd() - c.selectionStart();
    }

    QTemporaryDir dir;
    core::SharedState state;
    ui::ScriptedResponder responder;
    QList<editor::FileDialogRequest> saveRequests;
    std::optional<editor::FileDialogAnswer> saveAnswer, openAnswer;
    std::optional<editor::FontChoice> fontAnswer;
    std::unique_ptr<TMeltM> window;
};
