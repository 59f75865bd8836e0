#include <QTest>

class Test_csv_fileTest : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(Test_csv_fileTest)
#include "test_csv_file.moc"
