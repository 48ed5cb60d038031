// The lane that takes the window's work off its thread: work in the order posted, a
// wait that needs no event loop, and results handed back only to receivers still alive.

#include <sys/resource.h>

#include <QTest>
#include <QThread>

#include <chrono>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "tests/ui/test_main.h"
#include "ui/lane.h"

namespace renamer::ui {
namespace {

class LaneTest : public QObject {
  Q_OBJECT

 private slots:
  void worksInOrderAndHandsBackOnlyToTheLiving() {
    constexpr int kPieces = 40;
    std::vector<int> expected(kPieces);
    std::iota(expected.begin(), expected.end(), 0);
    std::vector<int> even;
    for (int piece = 0; piece < kPieces; piece += 2) even.push_back(piece);
    std::vector<int> done;  // written on the lane, read once Wait() has returned
    std::vector<int> back;
    bool backHere = true;
    QObject alive;
    auto gone = std::make_unique<QObject>();
    {
      Lane lane;
      for (int piece = 0; piece < kPieces; ++piece) {
        QObject* context = piece % 2 == 0 ? &alive : gone.get();
        lane.Post(
            context,
            [&done, piece] {
              // The last piece is still under way when the queue is empty.
              if (piece == kPieces - 1) std::this_thread::sleep_for(std::chrono::milliseconds(30));
              done.push_back(piece);
              return piece;
            },
            [&back, &backHere](int result) {
              backHere = backHere && QThread::currentThread() == qApp->thread();
              back.push_back(result);
            });
      }
      gone.reset();
      lane.Wait();
      QCOMPARE(done, expected);
      QVERIFY(back.empty());  // only the event loop hands results back

      QCoreApplication::processEvents();
      QCOMPARE(back, even);
      QVERIFY(backHere);

      // What a lane that is gone did is handed back to no one.
      lane.Post(
          &alive, [] { return -1; }, [&back](int result) { back.push_back(result); });
    }
    QCoreApplication::processEvents();
    QCOMPARE(back, even);
  }

  void freesAtTheLowestPriority() {
    int nice = 0;
    FreeingLane().Post([&nice] { nice = ::getpriority(PRIO_PROCESS, 0); });
    FreeingLane().Wait();
    QCOMPARE(nice, 19);
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::LaneTest)
#include "lane_test.moc"
