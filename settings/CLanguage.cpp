#include "CLanguage.h"

#include "CTranslation.h"
#include "DialogUnits.h"
#include "Latin1.h"

#include <QCollator>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {
const QString kSystemDefault = QStringLiteral("System default language");
const QString kTitle = QStringLiteral("Language Selection");
constexpr int kHeaderLength = 6;      // "[1031]", "[----]"; "[EOL]" is shorter
constexpr int kNameTextPosition = 6;  // "00002 English": the name follows number and blank

}  // namespace

CLanguage::CLanguage(QWidget* parent)
    : QDialog(parent),
      m_group(new QGroupBox(this)),
      m_combo(new QComboBox(m_group)),
      m_okButton(new QPushButton(this)) {
    setWindowTitle(kTitle);
    m_combo->setEditable(true);
    // A typed text only chooses among the languages; it never becomes one.
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &CLanguage::OnOK);
    placeControls();
}

void CLanguage::placeControls() {
    // The design: a dialog of 186 by 74 units, the list in a group box, OK below it at the
    // right. The group grows to its caption and its field's height, OK to its caption.
    const int fieldHeight = dlu::fieldHeight(*m_combo, dlu::y(14));
    const int groupHeight = dlu::y(16) + fieldHeight + dlu::y(8);
    const QSize group = dlu::textSize(*m_group, dlu::rect(0, 0, 172, 0).size());
    m_group->setGeometry(dlu::x(7), dlu::y(7), group.width(),
                         std::max(group.height(), groupHeight));
    m_combo->setGeometry(dlu::x(7), dlu::y(16), group.width() - dlu::x(14), fieldHeight);
    const QSize ok = dlu::textSize(*m_okButton, dlu::rect(0, 0, 50, 14).size());
    const int right = m_group->geometry().right() + 1;
    const int top = m_group->geometry().bottom() + 1 + dlu::y(8);
    m_okButton->setGeometry(QRect(QPoint(right - ok.width(), top), ok));
    setFixedSize(right + dlu::x(7), top + ok.height() + dlu::y(7));
}

void CLanguage::OnInitDialog() {
    m_group->setTitle(m_caption);
    m_combo->setAccessibleName(m_caption);
    m_combo->lineEdit()->setAccessibleName(m_caption);
    m_sections.clear();
    // The dialog speaks the language the program speaks now.
    CTranslation translation;
    translation.LoadTexts();
    readSections(latin1::readLines(translation.translationFilePath()), translation);
    labelWindow(translation);

    m_selection = kSystemDefault;
    for (qsizetype i = 0; i + 1 < m_sections.size(); i += 2) {
        if (m_sections[i] == m_language)
            m_selection = m_sections[i + 1];
    }
    showSelection();
    m_combo->setFocus();
}

void CLanguage::readSections(const QStringList& lines, const CTranslation& translation) {
    QStringList names;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.size() != kHeaderLength || !line.startsWith(QLatin1Char('[')))
            continue;
        // The second line after a header holds the language's own name.
        const QString nameEntry = i + 2 < lines.size() ? lines[i + 2] : QString();
        QString name = nameEntry.mid(kNameTextPosition);
        // The system's language is named in the language shown, not in one of its own.
        if (line == CTranslation::kSystemLanguage)
            name = translation.textOr(texts::SystemLanguageName, name);
        m_sections << line << name;
        if (!name.isEmpty())
            names.append(name);
        i += 2;
    }
    // In the order of the language shown, as every list of the program.
    QCollator order{QLocale(translation.locale())};
    order.setNumericMode(true);
    std::sort(names.begin(), names.end(),
              [&order](const QString& a, const QString& b) { return order.compare(a, b) < 0; });
    m_combo->clear();
    m_combo->addItems(names);
}

void CLanguage::showSelection() {
    // Like a combo box's own search: the first language whose name begins with the text.
    const int found =
        m_selection.isEmpty() ? -1 : m_combo->findText(m_selection, Qt::MatchStartsWith);
    m_combo->setCurrentIndex(found);
    if (found < 0)
        m_combo->setEditText(m_selection);
}

void CLanguage::labelWindow(const CTranslation& translation) {
    // The menu command names the dialog.
    QString title = translation.textOr(texts::LanguageSelectionCommand, kTitle);
    title.remove(QLatin1Char('&'));
    title = title.trimmed();
    if (title.endsWith(QStringLiteral("...")))
        title.chop(3);
    title = title.trimmed();
    setWindowTitle(title.isEmpty() ? kTitle : title);
    m_okButton->setText(translation.okText());
    placeControls();
}

void CLanguage::OnOK() {
    m_selection = m_combo->currentText();
    for (qsizetype i = 0; i + 1 < m_sections.size(); i += 2) {
        // An empty text names no language, even where a section lacks its name.
        if (!m_selection.isEmpty() && m_sections[i + 1] == m_selection)
            m_language = m_sections[i];
    }
    accept();
}
