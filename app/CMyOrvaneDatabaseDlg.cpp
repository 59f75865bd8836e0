#include "CMyOrvaneDatabaseDlg.h"

#include "ActionGuard.h"
#include "CAboutDlg.h"
#include "CLanguage.h"
#include "DialogUnits.h"
#include "Shell.h"
#include "SqlText.h"
#include "StorePath.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>

namespace {

const QColor kListBackground(0xF0, 0xFF, 0xF0);
const QColor kListText(0x14, 0x14, 0xFF);

}  // namespace

CMyOrvaneDatabaseDlg::CMyOrvaneDatabaseDlg(QWidget* parent)
    : QMainWindow(parent),
      m_client(new QWidget(this)),
      m_tabs(new QTabWidget(m_client)),
      m_viewAllPage(m_client),
      m_viewFilteredPage(m_client),
      m_searchPage(m_client),
      m_addEditPage(m_client),
      m_settingsPage(m_client),
      m_selectDatabase(this) {
    addHelpKey(&m_selectDatabase, QStringLiteral("start"));
    setWindowTitle(QStringLiteral("Orvane Database 3"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orvane-database.svg")));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);
    m_client->setAutoFillBackground(true);
    QPalette white = m_client->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_client->setPalette(white);
    // The tab control draws the tabs and the frame; the pages lie over it.
    for (int tab = 0; tab < TabCount; ++tab) {
        auto* pane = new QWidget();
        pane->setAutoFillBackground(true);
        pane->setPalette(white);
        m_tabs->addTab(pane, QString());
    }
    m_tabs->setFocusPolicy(Qt::TabFocus);
    for (CPage* page : pages()) {
        page->hide();
        page->raise();
    }
    const QPoint templatePlace(15, 36);
    m_searchPage.move(templatePlace);
    m_addEditPage.move(templatePlace);
    m_settingsPage.move(templatePlace);
    // Room for the fixed pages and the longest tab captions of every language.
    resize(820, 560);

    m_pollTimer.setInterval(40);
    connect(&m_pollTimer, &QTimer::timeout, this,
            [this] { guarded(&CMyOrvaneDatabaseDlg::OnPollTimer); });
    connect(m_tabs, &QTabWidget::currentChanged, this, &CMyOrvaneDatabaseDlg::OnTabChanged);
    buildMenu();
}

CMyOrvaneDatabaseDlg::~CMyOrvaneDatabaseDlg() {
    actionguard::setTextLookup({});  // the messages must not reach for texts that are gone
}

QList<CPage*> CMyOrvaneDatabaseDlg::pages() {
    return {&m_viewAllPage, &m_viewFilteredPage, &m_searchPage, &m_addEditPage, &m_settingsPage};
}

void CMyOrvaneDatabaseDlg::guarded(void (CMyOrvaneDatabaseDlg::*command)()) {
    actionguard::guard(this, [this, command] { (this->*command)(); });
}

void CMyOrvaneDatabaseDlg::buildMenu() {
    struct Item {
        int text;
        QString icon;
        QStyle::StandardPixmap fallback;
        void (CMyOrvaneDatabaseDlg::*command)();
        QKeySequence shortcut;
    };
    const QKeySequence saveAs = QKeySequence(QKeySequence::SaveAs).isEmpty()
                                    ? QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)
                                    : QKeySequence(QKeySequence::SaveAs);
    const QKeySequence quit = QKeySequence(QKeySequence::Quit).isEmpty()
                                  ? QKeySequence(Qt::CTRL | Qt::Key_Q)
                                  : QKeySequence(QKeySequence::Quit);
    const QList<QPair<int, QList<Item>>> menus = {
        {200,
         {{201, "document-new", QStyle::SP_FileIcon, &CMyOrvaneDatabaseDlg::OnNewDatabase,
           QKeySequence::New},
          {0, {}, {}, nullptr, {}},
          {202, "document-open", QStyle::SP_DialogOpenButton, &CMyOrvaneDatabaseDlg::OnOpenDatabase,
           QKeySequence::Open},
          {203, "document-save", QStyle::SP_DialogSaveButton, &CMyOrvaneDatabaseDlg::OnSaveDatabase,
           QKeySequence::Save},
          {204, "document-save-as", QStyle::SP_DriveFDIcon, &CMyOrvaneDatabaseDlg::OnSaveDatabaseAs,
           saveAs},
          {0, {}, {}, nullptr, {}},
          {210,
           "preferences-desktop-locale",
           QStyle::SP_ComputerIcon,
           &CMyOrvaneDatabaseDlg::OnLanguageSelection,
           {}},
          {0, {}, {}, nullptr, {}},
          {212, "application-exit", QStyle::SP_DialogCloseButton, &CMyOrvaneDatabaseDlg::OnExit,
           quit}}},
        {215,
         {{216, "view-list-details", QStyle::SP_FileDialogDetailedView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {217, "view-filter", QStyle::SP_FileDialogListView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {218, "edit-find", QStyle::SP_FileDialogContentsView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {219, "document-edit", QStyle::SP_FileDialogInfoView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {220, "preferences-system", QStyle::SP_FileDialogToParent, nullptr, {}}}},
        {245,
         {{250, "help-contents", QStyle::SP_DialogHelpButton, &CMyOrvaneDatabaseDlg::OnShowHelpFile,
           QKeySequence::HelpContents},
          {0, {}, {}, nullptr, {}},
          {255,
           "applications-internet",
           QStyle::SP_DirHomeIcon,
           &CMyOrvaneDatabaseDlg::OnGoToWebsite,
           {}},
          {260,
           "help-about",
           QStyle::SP_MessageBoxInformation,
           &CMyOrvaneDatabaseDlg::OnAbout,
           {}}}},
    };
    int viewTab = 0;
    for (const auto& [title, items] : menus) {
        QMenu* menu = menuBar()->addMenu(QString());
        m_actions.append({title, menu->menuAction()});
        for (const Item& item : items) {
            if (item.text == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(
                QIcon::fromTheme(item.icon, style()->standardIcon(item.fallback)), QString());
            action->setIconVisibleInMenu(true);
            if (!item.shortcut.isEmpty())
                action->setShortcut(item.shortcut);
            if (item.command) {
                const auto command = item.command;
                connect(action, &QAction::triggered, this, [this, command] { guarded(command); });
            } else {
                const int tab = viewTab++;
                action->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + tab)));
                connect(action, &QAction::triggered, this, [this, tab] { OnViewCommand(tab); });
            }
            m_actions.append({item.text, action});
        }
    }
}

QAction* CMyOrvaneDatabaseDlg::action(int textNumber) const {
    for (const auto& [number, action] : m_actions) {
        if (number == textNumber)
            return action;
    }
    return nullptr;
}

void CMyOrvaneDatabaseDlg::labelMenu() {
    for (const auto& [number, action] : m_actions) {
        const bool popupTitle = action->menu() != nullptr;
        action->setText(popupTitle ? text(number) : QStringLiteral("  ") + text(number));
    }
}

void CMyOrvaneDatabaseDlg::buildTabs() {
    const QList<QPair<QString, QStyle::StandardPixmap>> icons = {
        {QStringLiteral("view-list-details"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("view-filter"), QStyle::SP_FileDialogListView},
        {QStringLiteral("edit-find"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("document-edit"), QStyle::SP_FileDialogInfoView},
        {QStringLiteral("preferences-system"), QStyle::SP_FileDialogToParent},
    };
    const int captions[] = {10, 15, 20, 25, 30};
    for (int tab = 0; tab < TabCount; ++tab) {
        m_tabs->setTabText(tab, text(captions[tab]));
        m_tabs->setTabIcon(
            tab, QIcon::fromTheme(icons[tab].first, style()->standardIcon(icons[tab].second)));
    }
    m_tabs->setToolTip(text(425));
}

void CMyOrvaneDatabaseDlg::OnInitDialog() {
    m_translation.LoadTexts();
    installQtTexts();
    m_power.ResolveConfigPath();
    actionguard::setTextLookup([this](int number) { return text(number); });
    labelMenu();
    m_storePath = storepath::ResolveStorePath(m_power);
    buildTabs();
    setUpPages();
    openLastDatabase();
}

QString CMyOrvaneDatabaseDlg::localeOfTexts() const {
    static const QHash<QString, QString> locales = {{"[1031]", "de"},
                                                    {"[1036]", "fr"},
                                                    {"[1034]", "es"},
                                                    {"[1043]", "nl"},
                                                    {"[1046]", "pt_BR"}};
    return locales.value(m_translation.loadedSection(), QStringLiteral("en"));
}

void CMyOrvaneDatabaseDlg::installQtTexts() {
    // Qt's own words (Yes, No, Cancel, Ctrl) in the language of the program's texts.
    QCoreApplication::removeTranslator(&m_qtTexts);
    const QString locale = localeOfTexts();
    if (locale != QLatin1String("en") &&
        m_qtTexts.load(QStringLiteral("qtbase_") + locale,
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTexts);
}

void CMyOrvaneDatabaseDlg::setUpPages() {
    m_pollTimer.stop();
    for (CPage* page : pages()) {
        page->hide();
        page->m_active = false;
    }
    const QString columnNames = text(40);
    // An "Options" value that names no column 1 to 26 means: no sort column.
    const int sortNumber = DigitsToInt(m_power.ReadConfig(QStringLiteral("Options")).left(2));
    const QString sortColumn =
        sortNumber >= 1 && sortNumber <= 26 ? sqltext::column(sortNumber) : QString();
    for (CViewTab* page : {&m_viewAllPage, &m_viewFilteredPage}) {
        page->m_storePath = m_storePath;
        page->setListColors(kListBackground, kListText);
        page->m_columnNames = columnNames;
        page->m_filtered = page == &m_viewFilteredPage;
        page->m_sortColumn = sortColumn;
        page->m_columnWidths.clear();
    }
    m_power.SplitFields(m_power.ReadConfig(QStringLiteral("LastColumnWidths")), QLatin1Char(';'));
    for (const QString& width : m_power.m_fields) {
        m_viewAllPage.m_columnWidths.append(DigitsToInt(width));
        m_viewFilteredPage.m_columnWidths.append(DigitsToInt(width));
    }
    if (m_power.m_fields.isEmpty()) {
        m_viewAllPage.m_columnWidths = QList<quint32>(26, 100);
        m_viewFilteredPage.m_columnWidths = QList<quint32>(26, 100);
    }
    m_searchPage.m_storePath = m_storePath;
    m_searchPage.m_searchMode = true;
    m_addEditPage.m_storePath = m_storePath;
    m_addEditPage.m_addMode = true;
    m_addEditPage.m_searchMode = false;
    m_addEditPage.m_entriesChanged = false;
    m_settingsPage.m_storePath = m_storePath;
    m_settingsPage.m_newDatabase = false;
    for (CPage* page : pages())
        page->OnInitDialog();
    OnSize(m_client->width(), m_client->height());
}

void CMyOrvaneDatabaseDlg::openLastDatabase() {
    // Every initialisation starts without a database, a language change too.
    m_currentPath.clear();
    const LoadOutcome outcome =
        loadDatabase(m_power.ReadConfigPath(QStringLiteral("LastDataBase")));
    if (outcome == LoadOutcome::Loaded &&
        m_power.ReadConfig(QStringLiteral("LastDataBase")) != QLatin1String("---")) {
        selectTab(ViewAllTab);  // the list already holds the loaded entries
        showPage(m_viewAllPage);
        m_pollTimer.start();
        return;
    }
    if (outcome != LoadOutcome::Failed) {
        OnNewDatabase();
        // Cancelled: an untitled database, which Save asks a name for.
        if (m_currentPath.isEmpty()) {
            m_currentPath = untitledPath();
            setTitleForPath(m_currentPath, false);
        }
        for (CPage* page : pages()) {
            if (page->m_active)
                return;
        }
    }
    // A start without a database still shows a page.
    selectTab(ViewAllTab);
    SwitchPage();
}

void CMyOrvaneDatabaseDlg::OnSize(int w, int h) {
    m_tabs->setGeometry(7, 7, w - 14, h - 14);
    for (CViewTab* page : {&m_viewAllPage, &m_viewFilteredPage}) {
        page->setGeometry(15, 38, w - 29, h - 54);
        page->PlaceControls(w, h);
    }
}

bool CMyOrvaneDatabaseDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        OnSize(m_client->width(), m_client->height());
    return QMainWindow::eventFilter(watched, event);
}

void CMyOrvaneDatabaseDlg::OnLanguageSelection() {
    const QString old = m_power.ReadConfig(QStringLiteral("Language"));
    CLanguage dialog(this);
    addHelpKey(&dialog, QStringLiteral("languages"));
    dialog.m_language = old;
    dialog.m_caption = text(1);
    dialog.OnInitDialog();
    Prompter::current().runModal(dialog);
    if (dialog.m_language == old)
        return;
    abandonNewDatabase();
    if (!BringPagesUpToDate() || !AskToSave())
        return;
    if (!writeSetting(QStringLiteral("Language"), dialog.m_language))
        return;
    const bool untitled = isUntitled();
    OnInitDialog();
    // A database made from a template lives in the program's own file until it is saved:
    // it stays untitled, so that Save asks for a name instead of writing into that file.
    if (untitled && m_currentPath == newDatabaseFile()) {
        m_currentPath = untitledPath();
        setTitleForPath(m_currentPath, true);
    }
}

void CMyOrvaneDatabaseDlg::OnExit() {
    close();
}

QString CMyOrvaneDatabaseDlg::helpFile(const QString& topic) const {
    // One file per topic, since the desktop's browser drops #anchors of local files.
    static const char* const tabTopics[TabCount] = {"view-all", "view-filtered", "search",
                                                    "add-edit", "settings"};
    const int tab = m_tabs->currentIndex();
    const QString page = !topic.isEmpty()
                             ? topic
                             : QLatin1String(tab >= 0 && tab < TabCount ? tabTopics[tab] : "start");
    const QString folder = m_power.GetProgramFolder();
    for (const QString& language : {localeOfTexts(), QStringLiteral("en")}) {
        const QString path = QStringLiteral("%1/help/%2/%3.html").arg(folder, language, page);
        if (QFileInfo::exists(path))
            return path;
    }
    return folder + QStringLiteral("/help.html");
}

void CMyOrvaneDatabaseDlg::openHelp(const QString& topic) {
    const QString path = helpFile(topic);
    if (!shell::open(path))
        message(text(614).arg(path), Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

void CMyOrvaneDatabaseDlg::addHelpKey(QWidget* dialog, const QString& topic) {
    auto* key = new QShortcut(QKeySequence::HelpContents, dialog);
    connect(key, &QShortcut::activated, this, [this, topic] { openHelp(topic); });
}

void CMyOrvaneDatabaseDlg::OnShowHelpFile() {
    openHelp(QString());
}

void CMyOrvaneDatabaseDlg::OnGoToWebsite() {
    const QString address = m_power.ReadConfig(QStringLiteral("Homepage"));
    if (!shell::open(address))
        message(text(615).arg(address), Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

void CMyOrvaneDatabaseDlg::OnAbout() {
    CAboutDlg about(this, m_translation);
    Prompter::current().runModal(about);
}

Prompter::Answer CMyOrvaneDatabaseDlg::message(const QString& text, Prompter::Buttons buttons,
                                               Prompter::Icon icon) {
    return Prompter::current().message(this, text, this->text(5), buttons, icon);
}
