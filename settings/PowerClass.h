#pragma once

#include <QString>
#include <QStringList>

// The utility object every window embeds: the program's folders, the settings file
// config.ini, the system values, small file operations and the text helpers shared by the
// pages.
//
// config.ini is a plain list of lines in ISO 8859-1: a key line holding exactly the key, and
// the value on the line after it. Writes replace values but never add keys, except
// WriteConfigPaths, whose keys came after the files of earlier versions.
class PowerClass {
public:
    enum RegistryRoot { ShellFolderRoot = 0, CurrentUserRoot = 1, LocalMachineRoot = 2 };

    // Folder of the running program, without a trailing "/".
    QString GetProgramFolder() const;

    // Chooses the config.ini in use: the per-user copy below the application data folder
    // (made from the template beside the program on first use), else the template itself.
    // Fills m_configPath, m_dataFolder and m_dataRoot and returns m_configPath.
    QString ResolveConfigPath();

    // The value after the last line equal to key; empty when there is none.
    // Raises FileError when config.ini cannot be read.
    QString ReadConfig(const QString& key) const;

    // Replaces the value after every line equal to key and rewrites the file through a
    // temporary file. A value config.ini cannot hold (a line break, a character above
    // U+00FF) is refused: the file is not touched and the result is false.
    // Raises FileError when config.ini cannot be read or written.
    bool WriteConfig(const QString& key, const QString& value);

    // A path kept in config.ini. A path that ISO 8859-1 can spell stands as it is, so that
    // the files of earlier versions read the same; any other path (Cyrillic or CJK folders, a
    // line break) is written as "utf-8:" and its UTF-8 bytes percent-encoded, which no plain
    // absolute path looks like. Every path reads back exactly. Raise FileError as above.
    QString ReadConfigPath(const QString& key) const;
    bool WriteConfigPath(const QString& key, const QString& path);
    // The paths under keys, in their order, from one reading of the file. Raises FileError.
    QStringList ReadConfigPaths(const QStringList& keys) const;
    // Writes paths[i] under keys[i] by the rule above, in one rewrite of the file; a key the
    // file lacks is added at its end. Always true: every path can be kept. Raises FileError.
    bool WriteConfigPaths(const QStringList& keys, const QStringList& paths);

    QString ReadRegistryString(int root, const QString& valueName) const;
    static void CopyWithShell(const QString& source, const QString& destination, bool showProgress);
    static bool FileExists(const QString& path);

    // True when a line of the text file at path contains text. Raises FileError.
    bool FileContainsText(const QString& path, const QString& text) const;
    static int HexDigitsToInt(const QString& text);

    // Splits text at separator into m_fields: "" gives no field, "a;;b" gives three.
    void SplitFields(const QString& text, QChar separator);
    static int CountSemicolons(const QString& text);
    static QString IntToText(int value);

    // Writes m_lines to path, each line ended by CR LF, then empties m_lines.
    // Raises FileError when the file cannot be written.
    void WriteLinesFile(const QString& path);

    QString m_registryKey;
    QString m_configPath;
    QString m_dataFolder;
    QString m_dataRoot;
    QStringList m_fields;
    QStringList m_lines;

private:
    QString configFile() const;
    // Puts values[i] after every line equal to keys[i]; addKeys: a key not found is appended.
    void writeValues(const QStringList& keys, const QStringList& values, bool addKeys);
    QString templateConfigPath() const;
};

// The decimal value of text; every character that is not a digit counts as a 0 digit.
int DigitsToInt(const QString& text);
