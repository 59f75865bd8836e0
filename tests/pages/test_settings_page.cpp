// The column settings page: adding, renaming and removing columns, with the stored values of
// every entry moving along, the control states, the input rules and the leaving step.
#include "CSettings.h"
#include "DesktopTestEnvironment.h"
#include "StoreContents.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

// A settings page over a store of its own, showing the columns given.
struct PageFixture {
    DesktopTestEnvironment env;
    QString storePath = env.storeTemplate();
    OpenDatabase database;
    std::unique_ptr<CSettings> page;

    explicit PageFixture(const QString& columnNames) {
        database.setStorePath(storePath);
        database.open(QString(), columnNames, csvfile::Dialect(), false);
        page = std::make_unique<CSettings>(nullptr, database);
        page->OnInitDialog();
        page->FillColumnList();
        page->show();
    }

    // Each row's values joined with "|", from Column1 on.
    void store(const QStringList& rows) const {
        for (const QString& row : rows)
            QVERIFY(storecontents::insert(storePath, row.split(QLatin1Char('|'))));
    }
    QStringList stored(int columns) const { return env.storeRows(storePath, columns); }

    void click(int row) const {
        QTreeWidget* list = page->columnList();
        const QRect place = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    }
    void type(const QString& name) const {
        page->nameField()->clear();
        QTest::keyClicks(page->nameField(), name);
    }
    void press(QPushButton* button) const { QTest::mouseClick(button, Qt::LeftButton); }

    // What the list shows: position and name of each row.
    QStringList listed() const {
        QStringList rows;
        QTreeWidget* list = page->columnList();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.append(list->topLevelItem(i)->text(0) + QLatin1Char(' ') +
                        list->topLevelItem(i)->text(1));
        return rows;
    }
    static QStringList numbered(const QString& names) {
        QStringList rows;
        const QStringList pieces = names.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (int i = 0; i < pieces.size(); ++i)
            rows.append(QString::number(i) + QLatin1Char(' ') + pieces[i]);
        return rows;
    }

    // Which controls are enabled, and what the name field and label show.
    QString controls() const {
        const auto on = [](QWidget* w) { return w->isEnabled() ? '+' : '-'; };
        return QStringLiteral("field%1 label%2 add%3 remove%4 save%5 [%6] %7")
            .arg(on(page->nameField()))
            .arg(on(page->nameLabel()))
            .arg(on(page->addButton()))
            .arg(on(page->removeButton()))
            .arg(on(page->saveButton()))
            .arg(page->nameField()->text(), page->nameLabel()->text());
    }
    QString text(int number) const { return page->text(number); }
};

QString manyColumns(int count) {
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names.append(QStringLiteral("C%1").arg(k));
    return names.join(QLatin1Char(';'));
}

// Entries that a move identified by old values would move twice: two equal entries, and
// entries whose values before the move equal another entry's values after it.
const QStringList kEntries = {
    QStringLiteral("Ann|Rome|1"), QStringLiteral("Ann|Rome|1"),
    QStringLiteral("Bob|Oslo|2"), QStringLiteral("Bob||Oslo"),
    QStringLiteral("Bob|2|"),     QStringLiteral("Cy|O'Hara|3|hidden"),
};

}  // namespace

class TestSettingsPage : public QObject {
    Q_OBJECT
private slots:
    void addColumnMovesEveryEntryOnce_data();
    void addColumnMovesEveryEntryOnce();
    void removeColumnMovesEveryEntryOnce_data();
    void removeColumnMovesEveryEntryOnce();
    void renameTouchesNoValue();
    void clickDuringAddChoosesThePlace();
    void controlStates();
    void refusals_data();
    void refusals();
    void columnNameRefusesWhatFilesCannotHold_data();
    void columnNameRefusesWhatFilesCannotHold();
    void unusableStoreChangesNothing();
    void leavingNewDatabase();
};

void TestSettingsPage::addColumnMovesEveryEntryOnce_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("before City") << 1 << "Name;Email;City;Phone"
                                 << QStringList{"Ann||Rome|1", "Ann||Rome|1", "Bob||Oslo|2",
                                                "Bob|||Oslo",  "Bob||2|",     "Cy||O'Hara|3"};
    QTest::newRow("before Name") << 0 << "Email;Name;City;Phone"
                                 << QStringList{"|Ann|Rome|1", "|Ann|Rome|1", "|Bob|Oslo|2",
                                                "|Bob||Oslo",  "|Bob|2|",     "|Cy|O'Hara|3"};
    // No row chosen since the list was filled: the column goes to the end, and the new last
    // column is empty in every entry, even where an entry held a value beyond the columns.
    QTest::newRow("no selection appends")
        << -1 << "Name;City;Phone;Email"
        << QStringList{"Ann|Rome|1|", "Ann|Rome|1|", "Bob|Oslo|2|",
                       "Bob||Oslo|",  "Bob|2||",     "Cy|O'Hara|3|"};
}

void TestSettingsPage::addColumnMovesEveryEntryOnce() {
    QFETCH(int, selected);
    QFETCH(QString, names);
    QFETCH(QStringList, stored);
    PageFixture f(QStringLiteral("Name;City;Phone"));
    f.store(kEntries);
    // A row chosen before the list was filled again no longer counts.
    f.click(selected >= 0 ? selected : 0);
    if (selected < 0)
        f.page->FillColumnList();
    f.press(f.page->addButton());
    f.type(QStringLiteral("Email"));
    f.press(f.page->saveButton());

    QCOMPARE(f.page->database().columnNames(), names);
    QCOMPARE(f.listed(), PageFixture::numbered(names));
    QCOMPARE(f.stored(4), stored);
    QVERIFY(f.database.isModified());
    QVERIFY(!f.page->m_addingColumn);
    QCOMPARE(f.env.prompter.messageTexts(), QStringList());
}

void TestSettingsPage::removeColumnMovesEveryEntryOnce_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("City") << 1 << kEntries << "Name;Phone"
                          << QStringList{"Ann|1||",    "Ann|1||", "Bob|2||",
                                         "Bob|Oslo||", "Bob|||",  "Cy|3||hidden"};
    QTest::newRow("Name") << 0 << kEntries << "City;Phone"
                          << QStringList{"Rome|1||", "Rome|1||", "Oslo|2||",
                                         "|Oslo||",  "2|||",     "O'Hara|3||hidden"};
    QTest::newRow("last") << 2 << kEntries << "Name;City"
                          << QStringList{"Ann|Rome||", "Ann|Rome||", "Bob|Oslo||",
                                         "Bob|||",     "Bob|2||",    "Cy|O'Hara||hidden"};
    QTest::newRow("no entries") << 1 << QStringList() << "Name;Phone" << QStringList();
}

void TestSettingsPage::removeColumnMovesEveryEntryOnce() {
    QFETCH(int, selected);
    QFETCH(QStringList, entries);
    QFETCH(QString, names);
    QFETCH(QStringList, stored);
    PageFixture f(QStringLiteral("Name;City;Phone"));
    f.store(entries);
    f.click(selected);
    f.press(f.page->removeButton());

    QCOMPARE(f.page->database().columnNames(), names);
    QCOMPARE(f.listed(), PageFixture::numbered(names));
    QCOMPARE(f.stored(4), stored);
    QVERIFY(f.database.isModified());
    QCOMPARE(f.env.prompter.messageTexts(), QStringList());
}

void TestSettingsPage::renameTouchesNoValue() {
    PageFixture f(QStringLiteral("Name;City;Phone"));
    f.store(kEntries);
    const QStringList before = f.stored(4);
    f.click(1);
    QCOMPARE(f.page->nameField()->text(), QStringLiteral("City"));
    f.type(QStringLiteral("Town"));
    f.press(f.page->saveButton());

    QCOMPARE(f.page->database().columnNames(), QStringLiteral("Name;Town;Phone"));
    QCOMPARE(f.listed(), PageFixture::numbered(QStringLiteral("Name;Town;Phone")));
    QCOMPARE(f.stored(4), before);
    QVERIFY(f.database.isModified());
}

void TestSettingsPage::clickDuringAddChoosesThePlace() {
    // Add Column first, then a row: the new column goes before that row.
    PageFixture f(QStringLiteral("Name;City;Phone"));
    f.store({QStringLiteral("Ann|Rome|1")});
    f.press(f.page->addButton());
    f.click(2);
    QVERIFY(f.page->m_addingColumn);
    f.type(QStringLiteral("Email"));
    f.press(f.page->saveButton());

    QCOMPARE(f.page->database().columnNames(), QStringLiteral("Name;City;Email;Phone"));
    QCOMPARE(f.stored(4), QStringList{QStringLiteral("Ann|Rome||1")});
}

void TestSettingsPage::controlStates() {
    PageFixture f(QStringLiteral("Name;City"));
    const QString renaming = f.text(120);
    const QString adding = f.text(125);
    QCOMPARE(f.controls(), "field- label- add+ remove- save- [] " + renaming);
    QCOMPARE(f.page->selectionMark(), -1);

    f.click(1);
    QCOMPARE(f.controls(), "field+ label+ add+ remove+ save- [City] " + renaming);
    QTest::keyClicks(f.page->nameField(), QStringLiteral("s"));
    QCOMPARE(f.controls(), "field+ label+ add+ remove+ save+ [Citys] " + renaming);

    f.press(f.page->addButton());
    QCOMPARE(f.controls(), "field+ label+ add- remove- save+ [] " + adding);

    // A row chosen with the keyboard counts like a click.
    f.page->FillColumnList();
    f.page->columnList()->setFocus();
    QTest::keyClick(f.page->columnList(), Qt::Key_Down);
    QCOMPARE(f.page->selectionMark(), 0);
    QCOMPARE(f.controls(), "field+ label+ add+ remove+ save- [Name] " + renaming);

    QCOMPARE(f.page->addButton()->text(), f.text(140));
    QCOMPARE(f.page->removeButton()->text(), f.text(145));
    QCOMPARE(f.page->saveButton()->text(), f.text(150));
    QCOMPARE(f.page->addButton()->toolTip(), f.text(475));
    QCOMPARE(f.page->removeButton()->toolTip(), f.text(480));
    QCOMPARE(f.page->saveButton()->toolTip(), f.text(485));
    QCOMPARE(f.page->columnList()->toolTip(), f.text(490));
    QCOMPARE(f.page->columnList()->headerItem()->text(0), f.text(110));
    QCOMPARE(f.page->columnList()->headerItem()->text(1), f.text(115));
}

void TestSettingsPage::refusals_data() {
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("message");

    QTest::newRow("save with empty name") << "Name;City"
                                          << "empty" << 495;
    QTest::newRow("remove without selection") << "Name;City"
                                              << "remove" << 45;
    QTest::newRow("27th column by Add Column") << manyColumns(26) << "add" << 605;
    QTest::newRow("27th column by Save Changes") << manyColumns(26) << "save adding" << 605;
}

void TestSettingsPage::refusals() {
    QFETCH(QString, columns);
    QFETCH(QString, action);
    QFETCH(int, message);
    PageFixture f(columns);
    f.store({QStringLiteral("a|b")});
    const QStringList before = f.stored(26);
    if (action == QLatin1String("empty")) {
        f.click(1);
        f.page->nameField()->clear();
        f.press(f.page->saveButton());
    } else if (action == QLatin1String("remove")) {
        f.page->removeButton()->setEnabled(true);
        f.press(f.page->removeButton());
    } else if (action == QLatin1String("add")) {
        f.press(f.page->addButton());
        QVERIFY(!f.page->m_addingColumn);
        QVERIFY(!f.page->nameField()->isEnabled());
    } else {
        // Add mode that began before the list was full.
        f.page->m_addingColumn = true;
        f.page->nameField()->setEnabled(true);
        f.type(QStringLiteral("C27"));
        f.press(f.page->saveButton());
    }

    QCOMPARE(f.env.prompter.messageTexts(), QStringList{f.text(message)});
    QCOMPARE(f.env.prompter.prompts().first().caption, f.text(5));
    QCOMPARE(f.page->database().columnNames(), columns);
    QCOMPARE(f.page->columnList()->topLevelItemCount(), columns.count(QLatin1Char(';')) + 1);
    QCOMPARE(f.stored(26), before);
    QVERIFY(!f.database.isModified());
}

void TestSettingsPage::columnNameRefusesWhatFilesCannotHold_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("semicolon") << "E;mail"
                               << "Email";
    QTest::newRow("line feed") << "E\nmail"
                               << "Email";
    QTest::newRow("carriage return") << "E\rmail"
                                     << "Email";
    QTest::newRow("without a byte in a single-byte file")
        << QString::fromUtf8("E\u0416mail") << "Email";
    QTest::newRow("Windows' euro")
        << QString::fromUtf8("E\u20acmail") << QString::fromUtf8("E\u20acmail");
    QTest::newRow("Latin-1 letters") << QString::fromUtf8("Straße") << QString::fromUtf8("Straße");
}

void TestSettingsPage::columnNameRefusesWhatFilesCannotHold() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    PageFixture f(QStringLiteral("Name"));
    f.press(f.page->addButton());
    for (QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, f.page->nameField(), Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
    QCOMPARE(f.page->nameField()->text(), kept);
    f.press(f.page->saveButton());
    QCOMPARE(f.page->database().columnNames(), QStringLiteral("Name;") + kept);
}

void TestSettingsPage::unusableStoreChangesNothing() {
    // The names change only together with the values; a store that cannot be opened leaves
    // both as they were, and the user hears of every change it refused.
    PageFixture f(QStringLiteral("Name;City;Phone"));
    const QString refused = f.text(623).arg(QStringLiteral("the file does not exist"));
    f.database.setStorePath(f.env.root() + QStringLiteral("/missing.sqlite"));
    f.click(1);
    f.press(f.page->addButton());
    f.type(QStringLiteral("Email"));
    f.press(f.page->saveButton());
    QCOMPARE(f.page->database().columnNames(), QStringLiteral("Name;City;Phone"));
    QCOMPARE(f.listed(), PageFixture::numbered(QStringLiteral("Name;City;Phone")));
    QVERIFY(!f.database.isModified());

    f.page->FillColumnList();
    f.click(1);
    f.press(f.page->removeButton());
    QCOMPARE(f.page->database().columnNames(), QStringLiteral("Name;City;Phone"));
    QCOMPARE(f.env.prompter.messageTexts(), QStringList(2, refused));

    // A new database is confirmed once the store can take it; until then the page stays, so
    // that no other page shows the old entries under the new names.
    f.page->m_newDatabase = true;
    QVERIFY(!f.page->LeavePage());
    QVERIFY(f.page->m_newDatabase);
    QCOMPARE(f.env.prompter.messageTexts().last(), refused);
}

void TestSettingsPage::leavingNewDatabase() {
    PageFixture f{QString()};
    // Even an entry whose first value looks like a marker goes with the old database.
    f.store({QStringLiteral("Ann|Rome"), QStringLiteral("Hpadfjwern|x")});

    QVERIFY(f.page->LeavePage());  // not new: nothing to confirm
    QCOMPARE(f.stored(2).size(), 2);
    f.page->m_newDatabase = true;
    f.press(f.page->addButton());
    f.type(QStringLiteral("Title"));
    f.press(f.page->saveButton());
    QVERIFY(!f.page->LeavePage());
    QVERIFY(!f.page->LeavePage());
    QCOMPARE(f.env.prompter.messageTexts(), QStringList(2, f.text(35)));
    QVERIFY(f.page->m_newDatabase);
    QCOMPARE(f.stored(2).size(), 2);

    f.press(f.page->addButton());
    f.type(QStringLiteral("Author"));
    f.press(f.page->saveButton());
    QVERIFY(f.page->LeavePage());
    QVERIFY(!f.page->m_newDatabase);
    QCOMPARE(f.page->database().columnNames(), QStringLiteral("Title;Author"));
    QCOMPARE(f.stored(2), QStringList());

    // Leaving again keeps the entries of the database now defined.
    f.store({QStringLiteral("Dune|Herbert")});
    QVERIFY(f.page->LeavePage());
    QCOMPARE(f.stored(2), QStringList{QStringLiteral("Dune|Herbert")});
}

QTEST_MAIN(TestSettingsPage)
#include "test_settings_page.moc"
