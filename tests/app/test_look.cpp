// The desktop's look: every text stays readable under a light and a dark palette (WCAG AA
// contrast of its text against its background), also after the palette changes while the program
// runs; every text shows whole in all six languages and both styles; the tabs stay visible at the
// window's smallest size; the icons are drawn sharp at twice the scale. ctest runs the suite at
// scale 1 and again with QT_SCALE_FACTOR=2.
#include "CAboutDlg.h"
#include "CLanguage.h"
#include "CNew.h"
#include "Contrast.h"
#include "DarkPalette.h"
#include "MainWindowHarness.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

const QStringList kSections = {"[1033]", "[1031]", "[1036]", "[1034]", "[1043]", "[1046]"};

QString nameOf(const QWidget* widget) {
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        text = label->text();
    else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        text = group->title();
    return QStringLiteral("%1 \"%2\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), text);
}

// The widgets below root that a person sees, root among them.
QList<QWidget*> shownWidgets(QWidget* root) {
    QList<QWidget*> shown;
    if (!root->isVisible())
        return shown;
    shown.append(root);
    for (QWidget* child : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            shown += shownWidgets(child);
    }
    return shown;
}

// The colour behind widget: that of the nearest widget, itself or an ancestor, that fills its
// background (a window always does).
QColor backgroundOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(QPalette::Active, w->backgroundRole());
    }
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

// Every text of the widgets below root whose contrast against its background is under WCAG
// AA's 4.5:1, with the two colours. Disabled controls are left out, as WCAG leaves them out.
// The chosen entry of a list shows the palette's own pair of selection colours, to which the
// program adds nothing; Qt's light palettes give it less (white on #308cc6, 3.7:1), so it is
// looked at only where asked.
enum class Selection { Checked, Palettes };
QStringList poorContrasts(QWidget* root, Selection selection = Selection::Checked) {
    QStringList poor;
    const auto check = [&poor](const QString& what, const QColor& text, const QColor& back) {
        const double ratio = contrast::ratio(text, back);
        if (ratio < 4.5)
            poor.append(QStringLiteral("%1: %2 on %3 (%4:1)")
                            .arg(what, text.name(), back.name())
                            .arg(ratio, 0, 'f', 2));
    };
    const auto color = [](const QWidget* w, QPalette::ColorRole role) {
        return w->palette().color(QPalette::Active, role);
    };
    for (QWidget* w : shownWidgets(root)) {
        if (!w->isEnabled())
            continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (!label->text().isEmpty())
                check(nameOf(w), color(w, w->foregroundRole()), backgroundOf(w));
        } else if (qobject_cast<QGroupBox*>(w)) {
            check(nameOf(w), color(w, w->foregroundRole()), backgroundOf(w));
        } else if (qobject_cast<QPushButton*>(w)) {
            check(nameOf(w), color(w, QPalette::ButtonText), color(w, QPalette::Button));
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
            check(nameOf(w), color(w, QPalette::Text), color(w, QPalette::Base));
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < bar->count(); ++i) {
                const QString what = QStringLiteral("tab \"%1\"").arg(bar->tabText(i));
                check(what, color(w, w->foregroundRole()), backgroundOf(w));
                check(what, color(w, w->foregroundRole()), color(w, QPalette::Window));
            }
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            if (header->orientation() == Qt::Horizontal && header->count() > 0)
                check(QStringLiteral("column header"), color(w, QPalette::ButtonText),
                      color(w, QPalette::Button));
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < std::min(model->rowCount(), 3); ++row) {
                for (int column = 0; column < model->columnCount(); ++column) {
                    const QModelIndex cell = model->index(row, column);
                    const QVariant text = cell.data(Qt::ForegroundRole);
                    const QVariant back = cell.data(Qt::BackgroundRole);
                    const bool selected = view->selectionModel()->isSelected(cell);
                    const QString what =
                        QStringLiteral("cell \"%1\"%2")
                            .arg(cell.data().toString(), selected ? " (selected)" : "");
                    if (selected && selection == Selection::Checked)
                        check(what, color(view, QPalette::HighlightedText),
                              color(view, QPalette::Highlight));
                    else if (!selected)
                        check(what,
                              text.isValid() ? text.value<QColor>() : color(view, QPalette::Text),
                              back.isValid() ? back.value<QColor>() : color(view, QPalette::Base));
                }
            }
        }
    }
    return poor;
}

// The size a tab needs to show its caption whole, which QTabBar keeps to itself.
struct TabNeeds : QTabBar {
    static QSize of(const QTabBar& bar, int tab) {
        const auto hint = &TabNeeds::tabSizeHint;  // QTabBar's, reachable from here
        return (bar.*hint)(tab);
    }
};

// Every widget below root whose text does not show whole in its size.
QStringList cutTexts(QWidget* root) {
    QStringList cut;
    const auto fits = [&cut](const QWidget* w, const QSize& needed) {
        if (needed.width() > w->width() || needed.height() > w->height())
            cut.append(QStringLiteral("%1: %2x%3 for %4x%5")
                           .arg(nameOf(w))
                           .arg(w->width())
                           .arg(w->height())
                           .arg(needed.width())
                           .arg(needed.height()));
    };
    for (QWidget* w : shownWidgets(root)) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty())
                continue;
            if (label->wordWrap())
                fits(w, QSize(label->minimumSizeHint().width(),
                              label->heightForWidth(label->width())));
            else
                fits(w, label->sizeHint());
        } else if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)) {
            fits(w, w->minimumSizeHint());
        } else if ((qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget())) ||
                   qobject_cast<QComboBox*>(w)) {
            // A combo box's own field is placed by the combo box, which is checked itself.
            fits(w, QSize(0, w->minimumSizeHint().height()));
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < bar->count(); ++i) {
                const QSize needed = TabNeeds::of(*bar, i);
                const QRect shown = bar->tabRect(i);
                if (shown.width() < needed.width() || shown.height() < needed.height() ||
                    !bar->rect().contains(shown))
                    cut.append(QStringLiteral("tab \"%1\": %2x%3 for %4x%5")
                                   .arg(bar->tabText(i))
                                   .arg(shown.width())
                                   .arg(shown.height())
                                   .arg(needed.width())
                                   .arg(needed.height()));
            }
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            if (header->orientation() != Qt::Horizontal)
                continue;
            const int last = header->stretchLastSection() ? header->count() - 1 : header->count();
            for (int i = 0; i < header->count(); ++i) {
                if (i == last && header->sectionSize(i) >= header->sectionSizeHint(i))
                    continue;
                if (header->sectionSize(i) < header->sectionSizeHint(i))
                    cut.append(QStringLiteral("column header \"%1\": %2 for %3")
                                   .arg(header->model()->headerData(i, Qt::Horizontal).toString())
                                   .arg(header->sectionSize(i))
                                   .arg(header->sectionSizeHint(i)));
            }
        }
        // A control its parent cuts off shows its text no better.
        if (w != root && !w->isWindow() && qobject_cast<QHeaderView*>(w) == nullptr &&
            !w->parentWidget()->rect().contains(w->geometry()) &&
            qobject_cast<QAbstractScrollArea*>(w->parentWidget()) == nullptr &&
            qobject_cast<QAbstractScrollArea*>(w->parentWidget()->parentWidget()) == nullptr)
            cut.append(QStringLiteral("%1: outside its parent").arg(nameOf(w)));
    }
    return cut;
}

// Controls with text on the same parent that overlap.
QStringList overlaps(QWidget* root) {
    QStringList found;
    const QList<QWidget*> children = root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < children.size(); ++i) {
        for (int j = i + 1; j < children.size(); ++j) {
            QWidget* a = children[i];
            QWidget* b = children[j];
            if (!a->isVisible() || !b->isVisible() || a->isWindow() || b->isWindow() ||
                qobject_cast<QGroupBox*>(a) || qobject_cast<QGroupBox*>(b))
                continue;
            if (a->geometry().intersects(b->geometry()))
                found.append(QStringLiteral("%1 overlaps %2").arg(nameOf(a), nameOf(b)));
        }
    }
    return found;
}

}  // namespace

class TestLook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void textsKeepContrast_data();
    void textsKeepContrast();
    void dialogsKeepContrast_data();
    void dialogsKeepContrast();
    void followsAPaletteChangeWhileRunning();
    void textsShowWhole_data();
    void textsShowWhole();
    void newColumnsShowTheirNames();
    void iconsStaySharpAtDoubleScale();
    void helpPagesKeepContrast_data();
    void helpPagesKeepContrast();

private:
    // The window in the language of section, on an address book of three entries.
    std::unique_ptr<MainWindowHarness> startWindow(const QString& section = "[1033]");
    void usePalette(const QString& name);
    void useStyle(const QString& name);
    QString m_defaultStyle;
};

void TestLook::initTestCase() {
    m_defaultStyle = QApplication::style()->name();
    // The second run of the suite is at twice the scale.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        QCOMPARE(qApp->devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
}

void TestLook::cleanup() {
    useStyle(m_defaultStyle);
}

void TestLook::useStyle(const QString& name) {
    // A new style brings its own light palette.
    QApplication::setStyle(QStyleFactory::create(name));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QCoreApplication::processEvents();
}

void TestLook::usePalette(const QString& name) {
    QApplication::setPalette(
        name == QLatin1String("dark") ? darkPalette() : QApplication::style()->standardPalette());
    QCoreApplication::processEvents();  // the change reaches the windows as a posted event
}

std::unique_ptr<MainWindowHarness> TestLook::startWindow(const QString& section) {
    auto world = std::make_unique<MainWindowHarness>();
    world->env.setConfig(QStringLiteral("Language"), section);
    CTranslation texts;
    texts.LoadTexts();
    QStringList columns = texts.templateColumns(1).split(QLatin1Char(';'));
    QStringList entry;
    for (int i = 0; i < columns.size(); ++i)
        entry.append(QStringLiteral("Value %1").arg(i + 1));
    const QStringList lines = {columns.join(QLatin1Char(';')), entry.join(QLatin1Char(';')),
                               entry.join(QLatin1Char(';')), entry.join(QLatin1Char(';'))};
    world->startWith(lines);
    return world;
}

void TestLook::textsKeepContrast_data() {
    QTest::addColumn<QString>("palette");
    QTest::addColumn<int>("tab");
    const char* const tabs[] = {"View All", "View Filtered", "Search", "Add/Edit Data", "Settings"};
    for (const char* palette : {"light", "dark"}) {
        for (int tab = 0; tab < CMyOrvaneDatabaseDlg::TabCount; ++tab)
            QTest::addRow("%s, %s", palette, tabs[tab]) << palette << tab;
    }
}

void TestLook::textsKeepContrast() {
    QFETCH(QString, palette);
    QFETCH(int, tab);
    usePalette(palette);
    const auto world = startWindow();
    CMyOrvaneDatabaseDlg& window = world->window();
    world->clickTab(tab);
    QCOMPARE(window.tabs()->currentIndex(), tab);
    if (tab <= CMyOrvaneDatabaseDlg::ViewFilteredTab) {
        CViewTab& list = tab == 0 ? window.viewAllPage() : window.viewFilteredPage();
        QVERIFY(list.listRowCount() > 1);
        MainWindowHarness::chooseRow(list, 1);  // a chosen entry in its colours too
    }
    const QStringList poor = poorContrasts(
        &window, palette == QLatin1String("dark") ? Selection::Checked : Selection::Palettes);
    QVERIFY2(poor.isEmpty(), qPrintable(poor.join(QStringLiteral("\n"))));
}

void TestLook::dialogsKeepContrast_data() {
    QTest::addColumn<QString>("palette");
    QTest::addColumn<QString>("dialog");
    for (const char* palette : {"light", "dark"}) {
        for (const char* dialog : {"New Database", "Language Selection", "About"})
            QTest::addRow("%s, %s", palette, dialog) << palette << dialog;
    }
}

void TestLook::dialogsKeepContrast() {
    QFETCH(QString, palette);
    QFETCH(QString, dialog);
    usePalette(palette);
    const auto world = startWindow();
    CMyOrvaneDatabaseDlg& window = world->window();
    QStringList poor;
    bool looked = false;
    const Selection selection =
        palette == QLatin1String("dark") ? Selection::Checked : Selection::Palettes;
    const auto look = [&poor, &looked, selection](QDialog& shown) {
        poor = poorContrasts(&shown, selection);
        looked = true;
        shown.reject();
        return shown.result();
    };
    world->env.prompter.queueDialog(look);
    if (dialog == QLatin1String("New Database"))
        window.OnNewDatabase();
    else if (dialog == QLatin1String("Language Selection"))
        window.OnLanguageSelection();
    else
        window.OnAbout();
    QVERIFY(looked);
    QVERIFY2(poor.isEmpty(), qPrintable(poor.join(QStringLiteral("\n"))));
}

void TestLook::followsAPaletteChangeWhileRunning() {
    const auto world = startWindow();
    CMyOrvaneDatabaseDlg& window = world->window();
    CViewTab& list = window.viewAllPage();
    const QModelIndex cell = list.list()->model()->index(0, 0);
    // The program's own look on a light palette: a white page, the list green and blue.
    QCOMPARE(list.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(cell.data(Qt::BackgroundRole).value<QColor>(), QColor(0xF0, 0xFF, 0xF0));

    usePalette(QStringLiteral("dark"));
    for (int tab = CMyOrvaneDatabaseDlg::TabCount - 1; tab >= 0; --tab) {
        world->clickTab(tab);
        const QStringList poor = poorContrasts(&window);
        QVERIFY2(poor.isEmpty(), qPrintable(QStringLiteral("tab %1:\n").arg(tab) +
                                            poor.join(QStringLiteral("\n"))));
    }
    QVERIFY(!cell.data(Qt::BackgroundRole).isValid());

    usePalette(QStringLiteral("light"));
    QCOMPARE(list.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(cell.data(Qt::BackgroundRole).value<QColor>(), QColor(0xF0, 0xFF, 0xF0));
    const QStringList poor = poorContrasts(&window, Selection::Palettes);
    QVERIFY2(poor.isEmpty(), qPrintable(poor.join(QStringLiteral("\n"))));
}

void TestLook::textsShowWhole_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("style");
    QVERIFY(QStyleFactory::keys().contains(QStringLiteral("Windows")));
    QVERIFY(QStyleFactory::keys().contains(QStringLiteral("Fusion")));
    for (const char* style : {"Windows", "Fusion"}) {
        for (const QString& section : kSections)
            QTest::addRow("%s, %s", qPrintable(section), style) << section << style;
    }
}

void TestLook::textsShowWhole() {
    QFETCH(QString, section);
    QFETCH(QString, style);
    useStyle(style);
    const auto world = startWindow(section);
    CMyOrvaneDatabaseDlg& window = world->window();
    CTranslation texts;
    texts.LoadTexts();
    QStringList problems;
    const auto look = [&problems](QWidget* root, const QString& where) {
        for (const QString& problem : cutTexts(root) + overlaps(root))
            problems.append(where + QStringLiteral(": ") + problem);
    };

    // At its smallest the window still shows every tab and every page whole.
    window.resize(window.minimumSize());
    QCoreApplication::processEvents();
    const auto lookAtTabs = [&](const QString& database) {
        for (int tab = 0; tab < CMyOrvaneDatabaseDlg::TabCount; ++tab) {
            world->clickTab(tab);
            if (window.tabs()->currentIndex() != tab) {
                problems.append(QStringLiteral("tab %1 could not be chosen").arg(tab));
                continue;
            }
            QList<CPage*> pages = {&window.viewAllPage(), &window.viewFilteredPage(),
                                   &window.searchPage(), &window.addEditPage(),
                                   &window.settingsPage()};
            CPage* page = pages[tab];
            const QString where = QStringLiteral("%1, tab %2").arg(database).arg(tab);
            look(window.tabs()->tabBar(), where);
            look(page, where);
            // The page lies on the tab's pane, below the tabs.
            const QRect pane(window.tabs()->mapTo(window.clientArea(), QPoint()),
                             window.tabs()->size());
            if (!pane.contains(page->geometry()) ||
                page->y() < pane.y() + window.tabs()->tabBar()->height())
                problems.append(where + QStringLiteral(": the page is not on the tab's pane"));
        }
    };
    lookAtTabs(QStringLiteral("template 1"));
    // The column names of every template, in the list headers and as field labels.
    for (int k = 2; texts.hasTemplate(k); ++k) {
        QStringList lines = {texts.templateColumns(k)};
        world->clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
        QVERIFY(window.LoadDatabase(world->writeDatabase(QStringLiteral("t%1.csv").arg(k), lines)));
        lookAtTabs(QStringLiteral("template %1").arg(k));
    }

    // The dialogs.
    int dialogs = 0;
    const auto lookAtDialog = [&](const QString& name) {
        world->env.prompter.queueDialog([&look, &dialogs, name](QDialog& shown) {
            look(&shown, name);
            ++dialogs;
            shown.reject();
            return shown.result();
        });
    };
    lookAtDialog(QStringLiteral("New Database"));
    window.OnNewDatabase();
    lookAtDialog(QStringLiteral("Language Selection"));
    window.OnLanguageSelection();
    lookAtDialog(QStringLiteral("About"));
    window.OnAbout();
    QCOMPARE(dialogs, 3);
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("\n"))));
}

void TestLook::newColumnsShowTheirNames() {
    // Widths the user left stay, even narrower than the names; a column without one (a new
    // one) is as wide as its name needs, and at least the default width.
    MainWindowHarness world;
    world.env.setConfig(QStringLiteral("LastColumnWidths"), QStringLiteral("30;150"));
    CMyOrvaneDatabaseDlg& window = world.startWith({"Name;Town", "Smith;York"});
    CViewTab& list = window.viewAllPage();
    QCOMPARE(list.listColumnWidth(0), 30);
    QCOMPARE(list.list()->model()->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QStringLiteral("Name"));

    const QString longName = QStringLiteral("Telephone number at the office, with extension");
    world.clickTab(CMyOrvaneDatabaseDlg::SettingsTab);
    window.settingsPage().OnAddColumn();
    MainWindowHarness::typeInto(window.settingsPage().nameField(), longName);
    window.settingsPage().OnSaveChanges();
    world.clickTab(CMyOrvaneDatabaseDlg::ViewAllTab);
    QCOMPARE(list.list()->model()->headerData(2, Qt::Horizontal).toString(), longName);
    QHeaderView* header = list.list()->horizontalHeader();
    QVERIFY2(list.listColumnWidth(2) >= header->sectionSizeHint(2),
             qPrintable(QStringLiteral("%1 for %2")
                            .arg(list.listColumnWidth(2))
                            .arg(header->sectionSizeHint(2))));
    QCOMPARE(list.listColumnWidth(0), 30);
    QCOMPARE(list.listColumnWidth(1), 150);
}

void TestLook::iconsStaySharpAtDoubleScale() {
    const auto world = startWindow();
    CMyOrvaneDatabaseDlg& window = world->window();
    struct Shown {
        QString name;
        QIcon icon;
        int size;  // in device-independent pixels
    };
    QList<Shown> icons;
    for (const int size : {16, 32, 64})
        icons.append({QStringLiteral("window"), window.windowIcon(), size});
    for (int tab = 0; tab < CMyOrvaneDatabaseDlg::TabCount; ++tab)
        icons.append({window.tabs()->tabText(tab), window.tabs()->tabIcon(tab),
                      window.tabs()->iconSize().width()});
    const int menuSize = window.style()->pixelMetric(QStyle::PM_SmallIconSize);
    for (QAction* title : window.menuBar()->actions()) {
        for (QAction* item : title->menu()->actions()) {
            if (!item->isSeparator() && !item->icon().isNull())
                icons.append({item->text(), item->icon(), menuSize});
        }
    }
    QStringList blurred;
    for (const Shown& shown : icons) {
        // At twice the scale an icon is drawn from an image of twice the pixels; one that has
        // only smaller images gives one of those, which the screen then enlarges.
        const QPixmap pixmap = shown.icon.pixmap(QSize(shown.size, shown.size), 2.0);
        if (pixmap.width() < 2 * shown.size || pixmap.height() < 2 * shown.size)
            blurred.append(QStringLiteral("%1 at %2: %3x%4 pixels")
                               .arg(shown.name)
                               .arg(shown.size)
                               .arg(pixmap.width())
                               .arg(pixmap.height()));
    }
    QVERIFY2(blurred.isEmpty(), qPrintable(blurred.join(QStringLiteral("\n"))));
}

void TestLook::helpPagesKeepContrast_data() {
    QTest::addColumn<QString>("scheme");
    QTest::newRow("light") << "light";
    QTest::newRow("dark") << "dark";
}

void TestLook::helpPagesKeepContrast() {
    QFETCH(QString, scheme);
    QFile file(QStringLiteral(ORVANE_PROGRAM_FILES "/help/help.css"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString css = QString::fromUtf8(file.readAll());
    // Every colour is a variable of the light set (the first :root) and the dark one (the
    // :root of the dark scheme), so that the dark set replaces every colour of the pages.
    const qsizetype darkBlock = css.indexOf(QStringLiteral("prefers-color-scheme: dark"));
    QVERIFY(darkBlock > 0);
    const qsizetype lightEnd = css.indexOf(QLatin1Char('}'));
    const qsizetype darkEnd = css.indexOf(QLatin1Char('}'), darkBlock);
    const QRegularExpression literal(QStringLiteral("#[0-9a-fA-F]{3,6}\\b"));
    QString outside = css;
    outside.remove(darkBlock, darkEnd - darkBlock).remove(0, lightEnd);
    QVERIFY2(!outside.contains(literal), "a colour that no scheme sets");
    const QString block = scheme == QLatin1String("dark") ? css.mid(darkBlock, darkEnd - darkBlock)
                                                          : css.left(lightEnd);
    QHash<QString, QColor> colors;
    const QRegularExpression variable(QStringLiteral("--([a-z-]+):\\s*(#[0-9a-fA-F]{6});"));
    for (const QRegularExpressionMatch& match : variable.globalMatch(block))
        colors.insert(match.captured(1), QColor(match.captured(2)));
    QCOMPARE(colors.size(), 14);
    const QList<QPair<QString, QString>> pairs = {
        {"text", "background"},  {"muted", "background"}, {"accent", "background"},
        {"on-accent", "accent"}, {"text", "panel"},       {"text", "note"},
        {"accent", "note"},      {"text", "code"},        {"text", "key"},
        {"text", "heading-cell"}};
    for (const auto& [text, background] : pairs) {
        const double ratio = contrast::ratio(colors.value(text), colors.value(background));
        QVERIFY2(ratio >= 4.5,
                 qPrintable(
                     QStringLiteral("%1 on %2: %3:1").arg(text, background).arg(ratio, 0, 'f', 2)));
    }
}

QTEST_MAIN(TestLook)
#include "test_look.moc"
