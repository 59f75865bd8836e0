#include "CAboutDlg.h"

#include "CTranslation.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent, const CTranslation& translation) : QDialog(parent) {
    const auto textOr = [&translation](int number, const char* fallback) {
        return translation.textOr(number, QString::fromLatin1(fallback));
    };
    setWindowTitle(textOr(texts::AboutCommand, "About Orvane Database").remove(QLatin1Char('&')));
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(64, 64));
    auto* lines = new QVBoxLayout;
    lines->addWidget(new QLabel(
        QStringLiteral("<b>%1</b>").arg(textOr(texts::AboutVersion, "Orvane Database 3.01")),
        this));
    lines->addWidget(
        new QLabel(textOr(texts::AboutIcons, "Icons: the desktop's icon theme"), this));
    lines->addWidget(new QLabel(textOr(texts::AboutEngine, "Database engine: SQLite 3"), this));
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(lines);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
