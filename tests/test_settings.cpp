#include <QTest>

class Test_settingsTest : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(Test_settingsTest)
#include "test_settings.moc"
