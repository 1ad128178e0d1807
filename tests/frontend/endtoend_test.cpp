#include "testsupport.h"
class T : public QObject { Q_OBJECT private slots: void none() {} };
QTEST_MAIN(T)
#include "endtoend_test.moc"
