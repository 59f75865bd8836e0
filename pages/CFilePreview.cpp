#include "CFilePreview.h"

#include "Schema.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Enough of the file to fill the preview, split again at every change of a choice at once.
constexpr qsizetype kSampleBytes = 256 * 1024;
constexpr int kShownRows = 30;

constexpr char kSeparators[] = {';', ',', '\t', '|'};

}  // namespace

CFilePreview::CFilePreview(const QByteArray& bytes, const csvfile::Detection& detection,
                           const QString& fileName, const CTranslation& translation,
                           QWidget* parent)
    : QDialog(parent),
      m_sample(bytes.left(kSampleBytes)),
      m_found(detection.dialect),
      m_translation(translation),
      m_separator(new QComboBox(this)),
      m_quotes(new QCheckBox(this)),
      m_encoding(new QComboBox(this)),
      m_names(new QCheckBox(this)),
      m_table(new QTableWidget(this)),
      m_tooWide(new QLabel(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    using textencoding::Encoding;
    setWindowTitle(translation.GetText(texts::PreviewCaption).arg(fileName));
    auto* intro = new QLabel(
        translation.GetText(detection.sure ? texts::PreviewIntro : texts::PreviewUnsureIntro),
        this);
    intro->setWordWrap(true);

    for (const int number : {texts::SemicolonSeparator, texts::CommaSeparator, texts::TabSeparator,
                             texts::BarSeparator})
        m_separator->addItem(translation.GetText(number));
    const auto found = std::find(std::begin(kSeparators), std::end(kSeparators), m_found.separator);
    m_separator->setCurrentIndex(static_cast<int>(found - std::begin(kSeparators)));
    m_quotes->setText(translation.GetText(texts::QuotedValues));
    m_quotes->setChecked(m_found.quoted());
    // UTF-16 is told by its mark for sure; the other files may be either of the two.
    if (textencoding::isUtf16(m_found.encoding)) {
        m_encoding->addItem(
            translation.GetText(m_found.encoding == Encoding::Utf16LE ? texts::Utf16LEEncoding
                                                                      : texts::Utf16BEEncoding),
            int(m_found.encoding));
        m_encoding->setEnabled(false);
    } else {
        m_encoding->addItem(translation.GetText(texts::SingleByteEncoding),
                            int(Encoding::SingleByte));
        const bool marked = m_found.encoding == Encoding::Utf8WithMark ||
                            m_sample.startsWith(textencoding::kUtf8Mark);
        m_encoding->addItem(translation.GetText(texts::Utf8Encoding),
                            int(marked ? Encoding::Utf8WithMark : Encoding::Utf8));
        m_encoding->setCurrentIndex(textencoding::isUtf8(m_found.encoding) ? 1 : 0);
    }
    m_names->setText(translation.GetText(texts::FirstLineNames));
    m_names->setChecked(m_found.firstLineNames);

    auto* choices = new QFormLayout;
    auto* separatorLabel = new QLabel(translation.GetText(texts::SeparatorLabel), this);
    separatorLabel->setBuddy(m_separator);
    auto* encodingLabel = new QLabel(translation.GetText(texts::EncodingLabel), this);
    encodingLabel->setBuddy(m_encoding);
    choices->addRow(separatorLabel, m_separator);
    choices->addRow(encodingLabel, m_encoding);
    choices->addRow(m_quotes);
    choices->addRow(m_names);

    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAccessibleName(translation.GetText(texts::PreviewCaption).arg(fileName));
    m_tooWide->setWordWrap(true);
    m_tooWide->hide();
    m_buttons->button(QDialogButtonBox::Ok)->setText(translation.okText());
    m_buttons->button(QDialogButtonBox::Cancel)->setText(translation.GetText(texts::Cancel));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(choices);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_tooWide);
    layout->addWidget(m_buttons);
    resize(640, 440);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QComboBox* box : {m_separator, m_encoding})
        connect(box, &QComboBox::currentIndexChanged, this, &CFilePreview::showRows);
    for (QCheckBox* box : {m_quotes, m_names})
        connect(box, &QCheckBox::toggled, this, &CFilePreview::showRows);
    showRows();
}

csvfile::Dialect CFilePreview::dialect() const {
    csvfile::Dialect dialect = m_found;
    dialect.separator = kSeparators[std::max(0, m_separator->currentIndex())];
    dialect.encoding = static_cast<textencoding::Encoding>(m_encoding->currentData().toInt());
    dialect.firstLineNames = m_names->isChecked();
    if (!m_quotes->isChecked())
        dialect.quoting = csvfile::Dialect::Quoting::None;
    else if (!m_found.quoted())
        dialect.quoting = csvfile::Dialect::Quoting::WhereNeeded;
    return dialect;
}

void CFilePreview::showRows() {
    const csvfile::Dialect chosen = dialect();
    QList<QStringList> rows = csvfile::previewRows(m_sample, chosen, kShownRows + 1);
    // The file's first line decides the columns; a wider line later is reported on opening.
    QStringList names;
    qsizetype fileColumns = 0;
    if (chosen.firstLineNames && !rows.isEmpty())
        fileColumns = (names = rows.takeFirst()).size();
    else if (!rows.isEmpty())
        fileColumns = rows.first().size();
    int columns = static_cast<int>(names.size());
    for (const QStringList& row : rows)
        columns = std::max(columns, static_cast<int>(row.size()));
    for (int k = static_cast<int>(names.size()); k < columns; ++k)
        names.append(k < 26 ? QString(QChar(u'A' + k)) : QString::number(k + 1));
    m_table->clear();
    m_table->setColumnCount(columns);
    m_table->setRowCount(static_cast<int>(rows.size()));
    m_table->setHorizontalHeaderLabels(names);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    }
    const bool tooWide = fileColumns > schema::kColumnCount;
    m_tooWide->setText(m_translation.GetText(texts::PreviewTooManyColumns).arg(fileColumns));
    m_tooWide->setVisible(tooWide);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!tooWide);
}
