// Drawing database of the stand-in: open/close discipline and its failures,
// extents and transformations, selection sets, the paper-space viewport.
#include <cmath>
#include <numbers>

#include "world_fixture.h"

namespace {

class Database : public DrawingWorld {};

TEST_F(Database, ReadOpensGiveExtentsAndTheLineClassTest) {
    const int line = arxworld::addLine(AcGePoint3d(4, -1, 2), AcGePoint3d(-2, 3, 2));
    const int circle = arxworld::addCircle(AcGePoint3d(1, 1, 1), 2.0);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, entityId(line), AcDb::kForRead));
    AcDbExtents ext;
    ASSERT_EQ(Acad::eOk, ent->getGeomExtents(ext));
    EXPECT_POINT_NEAR(AcGePoint3d(-2, -1, 2), ext.minPoint(), 0);
    EXPECT_POINT_NEAR(AcGePoint3d(4, 3, 2), ext.maxPoint(), 0);
    EXPECT_TRUE(ent->isKindOf(AcDbLine::desc()));
    AcGePoint3d start;
    ASSERT_EQ(Acad::eOk, AcDbCurve::cast(ent)->getStartPoint(start));
    EXPECT_POINT_NEAR(AcGePoint3d(4, -1, 2), start, 0);
    EXPECT_EQ(Acad::eOk, ent->close());

    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, entityId(circle), AcDb::kForRead));
    EXPECT_FALSE(ent->isKindOf(AcDbLine::desc()));
    EXPECT_TRUE(ent->isA()->isDerivedFrom(AcDbCurve::desc()));
    ASSERT_EQ(Acad::eOk, ent->getGeomExtents(ext));
    EXPECT_POINT_NEAR(AcGePoint3d(-1, -1, 1), ext.minPoint(), 1e-12);
    EXPECT_POINT_NEAR(AcGePoint3d(3, 3, 1), ext.maxPoint(), 1e-12);
    EXPECT_EQ(Acad::eOk, ent->close());
    EXPECT_EQ(2, arxworld::balances().opens);
}

TEST_F(Database, WritesNeedALockedDocumentAnUnlockedLayerAndNoOtherOpen) {
    const int free = arxworld::addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), "free");
    const int held = arxworld::addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), "held");
    arxworld::setLayerLocked("held", true);
    AcDbEntity* ent = nullptr;
    EXPECT_EQ(Acad::eLockViolation, acdbOpenAcDbEntity(ent, entityId(free), AcDb::kForWrite));
    EXPECT_EQ(nullptr, ent);

    lockDocument();
    EXPECT_EQ(Acad::eOnLockedLayer, acdbOpenAcDbEntity(ent, entityId(held), AcDb::kForWrite));
    EXPECT_EQ(nullptr, ent);
    AcDbEntity* reader = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(reader, entityId(held), AcDb::kForRead));
    reader->close();

    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, entityId(free), AcDb::kForWrite));
    AcDbEntity* second = nullptr;
    EXPECT_EQ(Acad::eWasOpenedForWrite, acdbOpenAcDbEntity(second, entityId(free), AcDb::kForRead));
    EXPECT_EQ(Acad::eOk, ent->close());
    EXPECT_EQ(Acad::eNotOpenForRead, ent->close()) << "a second close is refused";
    unlockDocument();

    arxworld::eraseEntity(free);
    EXPECT_EQ(Acad::eWasErased, acdbOpenAcDbEntity(ent, entityId(free), AcDb::kForRead));
    const AcDbObjectId heldId = entityId(held);
    arxsim::closeDocument();
    EXPECT_EQ(Acad::eNoDocument, acdbOpenAcDbEntity(ent, heldId, AcDb::kForRead));
}

TEST_F(Database, TransformByMovesTheEntityAndIsRecordedRowMajor) {
    const int line = arxworld::addLine(AcGePoint3d(1, 0, 0), AcGePoint3d(2, 0, 0));
    const int circle = arxworld::addCircle(AcGePoint3d(0, 0, 0), 3.0);
    lockDocument();
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, entityId(line), AcDb::kForRead));
    EXPECT_EQ(Acad::eNotOpenForWrite, ent->transformBy(AcGeMatrix3d()));
    ent->close();

    AcGeMatrix3d m = AcGeMatrix3d::rotation(std::numbers::pi / 2, AcGeVector3d::kZAxis);
    m.setTranslation(AcGeVector3d(0, 0, 5));
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, entityId(line), AcDb::kForWrite));
    ASSERT_EQ(Acad::eOk, ent->transformBy(m));
    ent->close();
    const arxworld::EntityInfo info = arxworld::entity(line);
    EXPECT_POINT_NEAR(AcGePoint3d(0, 1, 5), info.start, 1e-12);
    EXPECT_POINT_NEAR(AcGePoint3d(0, 2, 5), info.end, 1e-12);
    EXPECT_EQ(1, info.transformCount);
    ASSERT_EQ(1u, linesOf("entity").size());
    EXPECT_NE(std::string::npos, linesOf("entity")[0].find("\"id\":0,\"matrix\":["));
    EXPECT_NE(std::string::npos, linesOf("entity")[0].find(",5,0,0,0,1]"));

    // A circle tilted about X keeps its radius; its box shrinks along Y.
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, entityId(circle), AcDb::kForWrite));
    ent->transformBy(AcGeMatrix3d::rotation(std::numbers::pi / 3, AcGeVector3d::kXAxis));
    AcDbExtents ext;
    ent->getGeomExtents(ext);
    ent->close();
    EXPECT_NEAR(3.0, arxworld::entity(circle).radius, 1e-12);
    EXPECT_NEAR(3.0, ext.maxPoint().x, 1e-12);
    EXPECT_NEAR(1.5, ext.maxPoint().y, 1e-12);
    EXPECT_NEAR(3.0 * std::sqrt(0.75), ext.maxPoint().z, 1e-12);
    unlockDocument();
}

TEST_F(Database, PickfirstSetsAreSnapshotsThatMustBeFreedOnce) {
    ads_name sel = {0, 0};
    EXPECT_EQ(RTERROR, acedSSGet(L"I", nullptr, nullptr, nullptr, sel)) << "nothing selected";
    arxworld::addLine(AcGePoint3d(), AcGePoint3d(1, 0, 0));
    arxworld::addLine(AcGePoint3d(), AcGePoint3d(0, 1, 0));
    arxworld::setPickfirst({1, 0});
    EXPECT_EQ(RTERROR, acedSSGet(L"_W", nullptr, nullptr, nullptr, sel)) << "only mode I";
    ASSERT_EQ(RTNORM, acedSSGet(L"I", nullptr, nullptr, nullptr, sel));
    arxworld::setPickfirst({0});  // a later change does not alter the set
    long len = 0;
    ASSERT_EQ(RTNORM, acedSSLength(sel, &len));
    EXPECT_EQ(2, len);
    ads_name ent = {0, 0};
    ASSERT_EQ(RTNORM, acedSSName(sel, 0, ent));
    EXPECT_EQ(RTERROR, acedSSName(sel, 2, ent));
    arxworld::setSSNameFailureIndex(1);
    EXPECT_EQ(RTERROR, acedSSName(sel, 1, ent));
    EXPECT_EQ(1, arxworld::balances().setsLeaked());
    EXPECT_EQ(RTNORM, acedSSFree(sel));
    EXPECT_EQ(RTERROR, acedSSFree(sel));
    EXPECT_EQ(RTERROR, acedSSLength(sel, &len));
    EXPECT_EQ(1, arxworld::balances().setsFreed);

    arxsim::closeDocument();
    EXPECT_EQ(RTERROR, acedSSGet(L"I", nullptr, nullptr, nullptr, sel)) << "no drawing";
}

TEST_F(Database, PaperViewportRefusesDegenerateViews) {
    lockDocument();
    AcDbObjectPointer<AcDbViewport> vp(acedActiveViewportId(), AcDb::kForWrite);
    ASSERT_EQ(Acad::eOk, vp.openStatus());
    EXPECT_EQ(Acad::eInvalidInput, vp->setViewHeight(0.0));
    EXPECT_EQ(Acad::eInvalidInput, vp->setViewHeight(std::nan("")));
    EXPECT_EQ(Acad::eInvalidInput, vp->setViewCenter(AcGePoint2d(INFINITY, 0)));
    EXPECT_EQ(150.0, vp->viewHeight());
    vp.close();
    unlockDocument();
}

}  // namespace
