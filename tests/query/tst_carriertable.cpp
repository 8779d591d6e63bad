#include <QTest>
class Tstcarriertable : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(Tstcarriertable)
#include "tst_carriertable.moc"
