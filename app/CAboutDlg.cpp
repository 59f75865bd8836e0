#include "CAboutDlg.h"

#include "CTranslation.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent, const CTranslation& texts) : QDialog(parent) {
    const auto textOr = [&texts](int number, const char* fallback) {
        const QString text = texts.GetText(number);
        return text == QLatin1String("---") ? QString::fromLatin1(fallback) : text;
    };
    setWindowTitle(textOr(260, "About Orvane Database").remove(QLatin1Char('&')));
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(64, 64));
    auto* lines = new QVBoxLayout;
    lines->addWidget(
        new QLabel(QStringLiteral("<b>%1</b>").arg(textOr(610, "Orvane Database 3.01")), this));
    lines->addWidget(new QLabel(textOr(611, "Icons: the desktop's icon theme"), this));
    lines->addWidget(new QLabel(textOr(612, "Database engine: SQLite 3"), this));
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(lines);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
