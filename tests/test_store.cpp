#include <QTest>

class Test_storeTest : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(Test_storeTest)
#include "test_store.moc"
