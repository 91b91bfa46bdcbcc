#include <QtTest>
class DesktopTests : public QObject {
    Q_OBJECT
private slots:
    void placeholder();
};
void DesktopTests::placeholder() {}
QTEST_MAIN(DesktopTests)
#include "DesktopTests.moc"
