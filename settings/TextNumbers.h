#pragma once

// Every text of the translation file that the program shows, named. The value is the text's
// number in the file, so the file keeps its numbering; a window fetches a text with
// CTranslation::GetText(texts::ProgramName).
namespace texts {

enum Number : int {
    LanguageCaption = 1,
    ProgramName = 5,  // ends the window title and is the caption of the message boxes

    // Tab captions.
    ViewAllTab = 10,
    ViewFilteredTab = 15,
    SearchTab = 20,
    AddEditTab = 25,
    SettingsTab = 30,

    NeedTwoColumns = 35,
    DefaultColumnNames = 40,
    SelectItemFirst = 45,
    ConfirmRemoveEntry = 50,
    SelectEntryToEdit = 55,
    EntryCount = 60,
    FoundEntryCount = 65,
    SelectEntryToCopy = 70,
    PleaseWait = 75,
    SearchHeading = 80,
    AddHeading = 85,
    EditHeading = 90,
    ReplaceFile = 100,
    SaveChangesQuestion = 105,  // "%s" is the file name
    PositionHeading = 110,
    ColumnNameHeading = 115,
    ColumnNameLabel = 120,
    NewColumnNameLabel = 125,
    Untitled = 130,
    DefineColumnsHint = 135,

    // Buttons.
    AddColumn = 140,
    RemoveColumn = 145,
    SaveChanges = 150,
    AddEntry = 155,
    EditEntry = 160,
    RemoveEntry = 165,
    CopyEntry = 170,
    PrintEntries = 175,

    // The menu.
    FileMenu = 200,
    NewDatabaseCommand = 201,
    OpenDatabaseCommand = 202,
    SaveDatabaseCommand = 203,
    SaveDatabaseAsCommand = 204,
    LanguageSelectionCommand = 210,
    ExitCommand = 212,
    EditMenu = 230,
    UndoCommand = 231,  // when there is nothing to take back
    RedoCommand = 232,
    UndoStepCommand = 233,  // %1 the step's name
    RedoStepCommand = 234,
    ViewMenu = 215,
    ViewAllCommand = 216,
    ViewFilteredCommand = 217,
    SearchCommand = 218,
    AddEditCommand = 219,
    SettingsCommand = 220,
    HelpMenu = 245,
    ShowHelpCommand = 250,
    WebsiteCommand = 255,
    AboutCommand = 260,

    // The steps Undo and Redo name.
    AddEntryStep = 235,
    EditEntryStep = 236,
    RemoveEntryStep = 237,
    AddColumnStep = 238,
    RenameColumnStep = 239,
    RemoveColumnStep = 240,

    // The New Database dialog.
    SelectDatabaseGroup = 400,
    SelectDatabaseExplanation = 405,
    DatabaseListHeading = 410,
    NewEmptyDatabase = 415,
    Cancel = 420,

    // Tooltips.
    TabsTip = 425,
    DatabaseListTip = 430,
    CancelTip = 435,
    OkTip = 440,
    AddEntryTip = 445,
    EditEntryTip = 450,
    RemoveEntryTip = 455,
    CopyEntryTip = 460,
    PrintEntriesTip = 465,
    EntriesListTip = 470,
    AddColumnTip = 475,
    RemoveColumnTip = 480,
    SaveChangesTip = 485,
    ColumnListTip = 490,

    ColumnNameMissing = 495,
    NotPrinted = 520,

    // Messages and captions of the program's own (600 on).
    FileNotFound = 600,  // %1 the file
    FileNotRead = 601,   // %1 the file, %2 the reason
    FileNotWritten = 602,
    StoreUnreadableNothingWritten = 603,
    LinesNotKept = 604,
    TooManyColumns = 605,
    SettingNotSaved = 606,
    AlreadyRunning = 607,
    CharacterRefused = 608,
    CloseWithoutSaving = 609,
    AboutVersion = 610,
    AboutIcons = 611,
    AboutEngine = 612,
    FileNotLoaded = 613,
    HelpNotOpened = 614,
    WebsiteNotOpened = 615,
    NoPrinter = 616,
    CsvFileFilter = 617,
    SaveAsCaption = 618,
    OpenCaption = 619,
    Ok = 620,
    UnusedColumnField = 621,
    SortBy = 622,
    StoreRefusedChange = 623,
    EditedEntryGone = 624,
    RecoverQuestion = 625,  // %1 the database file, or the untitled name
    HistoryLost = 626,
    CharacterRefusedInUtf8 = 627,
    SingleByteCannotHold = 628,  // a question; %1 the file, %2 the line, %3 the value
    SystemLanguageName = 629,    // the language dialog's line for the system's language
    CsvUtf8FileFilter = 630,
    FilterLabel = 631,
    ShownOfTotal = 632,  // %1 the entries shown, %2 all the list's entries
    FilterTip = 633,
    OpeningProgress = 634,  // %1 the file's name
    SavingProgress = 635,
    ListingProgress = 636,  // %1 the database file's name
    ChosenEntryGone = 637,
    ReadBackAsOtherText = 638,  // a question; %1 the file, %2 the line, %3 the value, %4 as read
    DropOneFile = 639,
    OwnFormatCannotHold = 640,    // %1 the file, %2 the line, %3 the value
    FileHasTooManyColumns = 641,  // %1 the file, %2 its number of columns
    LinesReadLeniently = 642,     // %1 the file, %2 the lines
    // Save As file types beside CsvFileFilter and CsvUtf8FileFilter.
    CommaUtf8FileFilter = 643,
    CommaSingleByteFileFilter = 644,
    TabUtf8FileFilter = 645,
    TabUtf16FileFilter = 646,
    XlsxFileFilter = 647,
    OdsFileFilter = 648,
    AsOpenedFileFilter = 649,
    // The preview of a file not in the own format.
    PreviewCaption = 650,  // %1 the file's name
    PreviewIntro = 651,
    PreviewUnsureIntro = 652,
    SeparatorLabel = 653,
    SemicolonSeparator = 654,
    CommaSeparator = 655,
    TabSeparator = 656,
    BarSeparator = 657,
    QuotedValues = 658,
    EncodingLabel = 659,
    SingleByteEncoding = 660,
    Utf8Encoding = 661,
    Utf16LEEncoding = 662,
    Utf16BEEncoding = 663,
    FirstLineNames = 664,
    PreviewTooManyColumns = 665,    // %1 the number of columns
    SpreadsheetTooManyRows = 666,   // %1 the file, %2 the most rows the format holds
    SpreadsheetValueTooLong = 667,  // %1 the file, %2 the line, %3 the column, %4 the limit
    // The Open dialog's file types beside CsvFileFilter.
    TextTablesFileFilter = 668,
    AllFilesFilter = 669,
    SortingProgress = 670,  // %1 the name of the column the entries are sorted by

    // Template k (from 1) of the New Database dialog: its name at FirstTemplate + 10 (k - 1),
    // its column-names line at the number after; see CTranslation::templateName().
    FirstTemplate = 10000,
};

}  // namespace texts
