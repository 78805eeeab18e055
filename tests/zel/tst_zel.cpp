// The runtime layer: mutexes, guard, semaphore and library loading.
#include <ZelDso.h>
#include <ZelGuard.h>
#include <ZelMutex.h>
#include <ZelSema.h>

#include <QScopeGuard>
#include <QtTest>

#include <atomic>
#include <thread>

class TestZel : public QObject
{
    Q_OBJECT

private slots:
    void recursiveMutexAdmitsTheHolderAgain()
    {
        ZEL_MUTEX_T mutex = nullptr;
        QCOMPARE(ZEL_MutexCreate(&mutex, -1), int(ZEL_OK));
        QCOMPARE(ZEL_MutexLock(&mutex), int(ZEL_OK));
        QCOMPARE(ZEL_MutexLock(&mutex), int(ZEL_OK)); // would deadlock if not recursive
        QCOMPARE(ZEL_MutexUnlock(&mutex), int(ZEL_OK));

        // Still held once: another thread must wait until the last unlock.
        std::atomic<bool> acquired { false };
        ZEL_Sema started;
        std::thread other([&] {
            started.Post();
            ZEL_MutexLock(&mutex);
            acquired = true;
            ZEL_MutexUnlock(&mutex);
        });
        // However the checks end, the other thread gets the mutex and is joined:
        // a thread left joinable would end the whole test run.
        bool bStillHeld = true;
        const auto letOtherFinish = qScopeGuard([&] {
            if (bStillHeld)
                ZEL_MutexUnlock(&mutex);
            if (other.joinable())
                other.join();
        });
        QVERIFY(started.Wait(5000));
        QTest::qWait(50);
        QVERIFY(!acquired);
        ZEL_MutexUnlock(&mutex);
        bStillHeld = false;
        other.join();
        QVERIFY(acquired);
        QCOMPARE(ZEL_MutexDestroy(&mutex), int(ZEL_OK));
        QVERIFY(!mutex);
    }

    void operationsOnMissingMutexFail()
    {
        ZEL_MUTEX_T mutex = nullptr;
        QCOMPARE(ZEL_MutexLock(&mutex), int(ZEL_ERROR));
        QCOMPARE(ZEL_MutexUnlock(nullptr), int(ZEL_ERROR));
        QCOMPARE(ZEL_MutexDestroy(&mutex), int(ZEL_ERROR));
        QCOMPARE(ZEL_MutexCreate(nullptr, -1), int(ZEL_ERROR));
    }

    void guardReleasesOnceAndEarly()
    {
        ZEL_Mutex mutex;
        std::atomic<bool> acquired { false };
        {
            ZEL_Guard guard(mutex);
            guard.Release();
            guard.Release(); // a second release must not unlock again
            std::thread other([&] {
                mutex.Lock();
                acquired = true;
                mutex.Unlock();
            });
            other.join();
        }
        QVERIFY(acquired);
    }

    void guardByPointerUnlocksAtItsEnd()
    {
        ZEL_Mutex mutex;
        {
            ZEL_Guard guard(&mutex);
        }
        std::thread other([&] { // would block for good if the guard kept the lock
            mutex.Lock();
            mutex.Unlock();
        });
        other.join();

        ZEL_Guard none(static_cast<ZEL_Mutex*>(nullptr));
        none.Release();
    }

    void semaphoreCountsAndTimesOut()
    {
        ZEL_Sema sema(1);
        QVERIFY(sema.Wait(0));
        QVERIFY(!sema.Wait(20));
        sema.Post();
        sema.Post();
        QVERIFY(sema.Wait(0));
        QVERIFY(sema.Wait(0));
        QVERIFY(!sema.Wait(0));
    }

    void loadsLibrariesByName()
    {
        QVERIFY(!ZEL_LoadDSo("libzel_no_such_library.so"));
        QVERIFY(!ZEL_LoadDSo(""));
        QVERIFY(!ZEL_LoadDSo(nullptr));
        ZEL_DSO_HANDLE handle = ZEL_LoadDSo(LUMO_DOUBLE_FILE);
        QVERIFY(handle);
        QVERIFY(ZEL_GetSymbol(handle, "LUMO_Start_V30"));
        QVERIFY(!ZEL_GetSymbol(handle, "LUMO_NoSuchFunction"));
        ZEL_FreeDSo(handle);
    }
};

QTEST_GUILESS_MAIN(TestZel)
#include "tst_zel.moc"
