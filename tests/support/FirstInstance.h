// The running instance, in the test's own process, as the program makes it:
// its window answers every later start.
#pragma once

#include "app/ComeForward.h"
#include "app/SingleInstance.h"
#include "ui/MVX.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace mvx::test {

struct FirstInstance {
    explicit FirstInstance(const QString &key = SingleInstance::DefaultKey())
        : instance(key), asked(&instance, &SingleInstance::RequestReceived)
    {}
    bool Claim()
    {
        if (!instance.Claim())
            return false;
        AnswerLaterStarts(instance, window);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    [[nodiscard]] QLineEdit *Field(const char *name) const
    {
        return window.findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    [[nodiscard]] InstanceRequest Last() const
    {
        return asked.isEmpty() ? InstanceRequest{} : asked.last().at(0).value<InstanceRequest>();
    }

    SingleInstance instance;
    ui::TMainForm window;
    QSignalSpy asked;
};

} // namespace mvx::test
