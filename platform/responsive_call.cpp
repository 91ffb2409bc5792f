#include "platform/responsive_call.h"

#include <QEventLoop>
#include <QMetaObject>

#include <thread>

namespace brindlemoor::platform::detail {

void runOnWorkerWhileResponsive(const std::function<void()>& work) {
    QEventLoop loop;
    // The worker only ever posts the quit; the loop is alive until join().
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

}  // namespace brindlemoor::platform::detail
