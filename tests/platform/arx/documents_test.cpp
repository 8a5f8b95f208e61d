// The document manager of the host core: locks, reactors, closing and
// reopening the drawing, and an absent manager. Strings sent for execution
// are covered by the key tests and their end-to-end transcripts.
#include "arx_fixture.h"

namespace {

// Records what the document manager tells it.
class RecordingReactor : public AcApDocManagerReactor {
public:
    void documentCreated(AcApDocument* doc) override { log.push_back(L"created " + name(doc)); }
    void documentToBeDestroyed(AcApDocument* doc) override {
        log.push_back(L"toBeDestroyed " + name(doc));
        if (alsoRemove != nullptr) {
            acDocManagerPtr()->removeReactor(alsoRemove);
        }
    }
    void documentDestroyed(const ACHAR* fileName) override {
        log.push_back(std::wstring(L"destroyed ") + fileName);
    }

    std::vector<std::wstring> log;
    AcApDocManagerReactor* alsoRemove = nullptr;

private:
    static std::wstring name(AcApDocument* doc) { return doc->fileName(); }
};

TEST_F(ArxTest, LocksNestAndAreReported) {
    AcApDocManager* dm = acDocManagerPtr();
    AcApDocument* doc = dm->curDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->myLockMode(), AcAp::kNotLocked);

    EXPECT_EQ(dm->lockDocument(doc, AcAp::kWrite, nullptr, nullptr, false), Acad::eOk);
    EXPECT_EQ(dm->lockDocument(doc, AcAp::kRead), Acad::eOk);
    EXPECT_EQ(arxsim::lockDepth(), 2);
    EXPECT_EQ(doc->myLockMode(), AcAp::kRead);
    EXPECT_EQ(dm->unlockDocument(doc), Acad::eOk);
    EXPECT_EQ(arxsim::lockMode(), AcAp::kWrite);
    EXPECT_EQ(dm->unlockDocument(doc), Acad::eOk);
    EXPECT_EQ(dm->unlockDocument(doc), Acad::eNotApplicable);
    EXPECT_EQ(dm->lockDocument(nullptr), Acad::eNoDocument);
    EXPECT_EQ(arxsim::lockDepth(), 0);
    EXPECT_EQ(arxsim::lockMode(), AcAp::kNone);

    const std::vector<std::string> expected = {
        R"({"ev":"lock","mode":"write"})",
        R"({"ev":"lock","mode":"read"})",
        R"({"ev":"unlock","mode":"read"})",
        R"({"ev":"unlock","mode":"write"})",
    };
    EXPECT_EQ(events(), expected);
}

TEST_F(ArxTest, ClosingTellsEveryReactorAndDropsTheDocumentAndItsLocks) {
    RecordingReactor a;
    RecordingReactor b;
    RecordingReactor removed;
    AcApDocManager* dm = acDocManagerPtr();
    dm->addReactor(&a);
    dm->addReactor(&b);
    dm->addReactor(&a);  // registered once only
    dm->addReactor(&removed);
    dm->removeReactor(&removed);
    EXPECT_EQ(arxsim::reactorCount(), 2);

    AcApDocument* old = dm->curDocument();
    ASSERT_EQ(dm->lockDocument(old), Acad::eOk);
    arxsim::closeDocument();

    const std::vector<std::wstring> expected = {L"toBeDestroyed Drawing1.dwg",
                                                L"destroyed Drawing1.dwg"};
    EXPECT_EQ(a.log, expected);
    EXPECT_EQ(b.log, expected);
    EXPECT_TRUE(removed.log.empty());
    EXPECT_FALSE(arxsim::hasDocument());
    EXPECT_EQ(dm->curDocument(), nullptr);
    EXPECT_EQ(arxsim::lockDepth(), 0);

    // The stale pointer is still safe to pass; the calls fail.
    EXPECT_EQ(dm->lockDocument(old), Acad::eNoDocument);
    EXPECT_EQ(dm->unlockDocument(old), Acad::eNotApplicable);
    EXPECT_EQ(dm->sendStringToExecute(old, L"x"), Acad::eNoDocument);
    arxsim::closeDocument();  // nothing left to close
    EXPECT_EQ(a.log.size(), 2u);

    arxsim::openDocument();
    AcApDocument* fresh = dm->curDocument();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(a.log.back(), L"created Drawing2.dwg");
    EXPECT_EQ(dm->lockDocument(fresh), Acad::eOk);

    dm->removeReactor(&a);
    dm->removeReactor(&b);
}

TEST_F(ArxTest, AReactorRemovedByAnotherDuringCloseIsNotCalled) {
    RecordingReactor first;
    RecordingReactor second;
    first.alsoRemove = &second;
    acDocManagerPtr()->addReactor(&first);
    acDocManagerPtr()->addReactor(&second);
    arxsim::closeDocument();
    EXPECT_EQ(first.log.size(), 2u);
    EXPECT_TRUE(second.log.empty());
    acDocManagerPtr()->removeReactor(&first);
}

TEST_F(ArxTest, AnAbsentManagerForgetsItsReactors) {
    RecordingReactor r;
    acDocManagerPtr()->addReactor(&r);
    arxsim::setDocManagerPresent(false);
    EXPECT_EQ(acDocManagerPtr(), nullptr);
    EXPECT_EQ(arxsim::reactorCount(), 0);

    arxsim::setDocManagerPresent(true);
    ASSERT_NE(acDocManagerPtr(), nullptr);
    arxsim::closeDocument();
    EXPECT_TRUE(r.log.empty());
}

}  // namespace
