#pragma once

#include "CTranslation.h"
#include "PowerClass.h"
#include "Prompter.h"
#include "StoreStep.h"
#include "TextEncoding.h"

#include <QWidget>
#include <memory>

// What every tab page shares: the page flags set by page switching, the column-names list,
// the store path, its own settings object and texts, and a white background. F1 anywhere in
// the window reaches the main window's help command.
class CPage : public QWidget {
    Q_OBJECT
public:
    explicit CPage(QWidget* parent);

    // The page's own initialisation: settings path and texts. Runs at start-up and again
    // after a language change. Raises FileError when the files cannot be read.
    virtual void OnInitDialog();

    bool m_active = false;
    QString m_columnNames;
    QString m_storePath;
    // The encoding of the database's file, which decides what its values may hold.
    textencoding::Encoding m_encoding = textencoding::Encoding::SingleByte;

    QString text(int number) const { return m_translation.GetText(number); }

signals:
    // The page changed the store in a way the user can take back.
    void stepStored(std::shared_ptr<StoreStep> step);

public:
    // Tells the user that the working store refused a change (read-only, disk full, gone),
    // so that nothing is lost without a word. Every page that writes calls it.
    void reportStoreRefused(const QString& reason);

protected:
    // Tells the user that a value holds what the database file cannot (typed or set some
    // other way, for example through an accessibility tool); nothing of it is stored.
    void reportUnstorableValue();
    // Why a field refuses a character, for the database's encoding.
    QString refusalText() const;

    // A message box with caption text 5.
    Prompter::Answer message(int textNumber, Prompter::Buttons buttons = Prompter::Buttons::Ok,
                             Prompter::Icon icon = Prompter::Icon::None);
    Prompter::Answer messageText(const QString& text, Prompter::Buttons buttons,
                                 Prompter::Icon icon);

    PowerClass m_power;
    CTranslation m_translation;
};
