#include <QTest>
class Tsttrackingquery : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(Tsttrackingquery)
#include "tst_trackingquery.moc"
