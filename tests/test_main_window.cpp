#include <QTest>

class Test_main_windowTest : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(Test_main_windowTest)
#include "test_main_window.moc"
