// Data sources and data links: notifications to several sources, disabled
// controls, link windows, master-detail, circular links.
#include "memory_dataset.h"

#include <gtest/gtest.h>

namespace {

struct Viewer {
    QStringList changes;
    QStringList states;
    TDataSource source{nullptr};
    TRecordingLink link;
    explicit Viewer(TDataSet* dataSet) {
        link.SetDataSource(&source);
        source.OnDataChange = [this](TObject*, TField* field) {
            changes << (field ? field->FieldName() : QStringLiteral("-"));
        };
        source.OnStateChange = [this](TObject*) { states << StateName(source.State()); };
        source.SetDataSet(dataSet);
    }
};

TEST(DataSetLinks, TwoDataSourcesSeeTheSameNotifications) {
    auto data = MakeNumbers(4);
    data->Close();
    Viewer first(data.get());
    Viewer second(data.get());
    data->Open();
    data->Next();
    data->Edit();
    data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("x"));
    data->Post();
    data->Close();
    const QStringList expectedLink = {"Active 1",    "CheckBrowse", "Scrolled 1", "CheckBrowse",
                                      "Editing 1",   "Record",      "Record Name", "CheckBrowse",
                                      "Editing 0",   "Changed",     "Active 0"};
    for (Viewer* viewer : {&first, &second}) {
        EXPECT_EQ(viewer->link.log, expectedLink);
        EXPECT_EQ(viewer->states, QStringList({"dsBrowse", "dsEdit", "dsBrowse", "dsInactive"}));
        EXPECT_EQ(viewer->changes, QStringList({"-", "-", "-", "Name", "-"}));
    }
}

TEST(DataSetLinks, ADisabledSourceHearsNothingAndDisabledControlsHearOneChangeAtTheEnd) {
    auto data = MakeNumbers(5);
    Viewer viewer(data.get());
    viewer.link.log.clear();
    viewer.source.SetEnabled(false);
    EXPECT_EQ(viewer.source.State(), dsInactive);
    EXPECT_EQ(viewer.link.log, QStringList({"Active 0"}));
    data->Next();
    viewer.source.SetEnabled(true);
    viewer.link.log.clear();

    data->DisableControls();
    data->DisableControls();
    data->Next();
    data->Last();
    data->Edit();
    data->Cancel();
    data->EnableControls();
    EXPECT_TRUE(viewer.link.log.isEmpty()) << "still disabled once";
    data->EnableControls();
    EXPECT_EQ(viewer.link.log, QStringList({"Changed"}));
    EXPECT_FALSE(data->ControlsDisabled());
}

TEST(DataSetLinks, TheLargestLinkWindowSetsTheRingSize) {
    auto data = MakeNumbers(10);
    Viewer small(data.get());
    Viewer large(data.get());
    EXPECT_EQ(data->BufferCount(), 1);
    large.link.SetBufferCount(4);
    EXPECT_EQ(data->BufferCount(), 4);
    EXPECT_EQ(large.link.RecordCount(), 4);
    EXPECT_EQ(small.link.RecordCount(), 1);
    data->MoveBy(6);
    EXPECT_EQ(large.link.ActiveRecord(), 3);
    EXPECT_EQ(small.link.ActiveRecord(), 0);
    large.link.SetActiveRecord(0);
    EXPECT_EQ(data->FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
    large.link.SetDataSource(nullptr);
    EXPECT_EQ(data->BufferCount(), 1);
    EXPECT_EQ(data->FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
}

// The detail follows the master's key field: a new master record, or a change
// of the key field, is a master change; other fields are not; closing the
// master disables the detail's link.
TEST(DataSetLinks, AMasterLinkReportsMasterChangesAndTheMasterGoingAway) {
    auto master = MakeNumbers(3);
    TDataSource masterSource(nullptr);
    masterSource.SetDataSet(master.get());
    auto detail = MakeNumbers(2);
    QStringList seen;
    TMasterDataLink& link = detail->MasterLink();
    link.OnMasterChange = [&](TObject* sender) {
        EXPECT_EQ(sender, detail.get());
        seen << QStringLiteral("change %1").arg(master->FieldByName(QStringLiteral("ID"))->AsInteger());
    };
    link.OnMasterDisable = [&](TObject*) { seen << QStringLiteral("disable"); };
    link.SetFieldNames(QStringLiteral("ID"));
    link.SetDataSource(&masterSource);
    ASSERT_EQ(link.Fields().size(), 1);
    EXPECT_EQ(link.Fields()[0], master->FieldByName(QStringLiteral("ID")));
    EXPECT_EQ(detail->DataSource(), &masterSource);

    master->Next();
    master->Edit();
    master->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("other"));
    master->FieldByName(QStringLiteral("ID"))->SetAsInteger(20);
    master->Post();
    master->Close();
    // Linking without an open master disables; scrolling, starting an edit,
    // writing the key and the re-read after the post are changes.
    EXPECT_EQ(seen, QStringList({"disable", "change 1", "change 2", "change 2", "change 20", "change 20", "disable"}));
    EXPECT_FALSE(link.HasFields());

    link.SetFieldNames(QStringLiteral("Missing"));
    EXPECT_THROW(master->Open(), EDatabaseError);
}

// b follows a through sourceOfA. a making b its master (through sourceOfB)
// would close the circle, and sourceOfA cannot show b.
TEST(DataSetLinks, CircularLinksAreDetectedFromEitherSide) {
    auto a = MakeNumbers(1);
    auto b = MakeNumbers(1);
    TDataSource sourceOfA(nullptr);
    sourceOfA.SetDataSet(a.get());
    TDataSource sourceOfB(nullptr);
    sourceOfB.SetDataSet(b.get());
    b->MasterLink().SetDataSource(&sourceOfA);

    EXPECT_TRUE(a->IsLinkedTo(&sourceOfB)) << "a is upstream of what sourceOfB shows";
    EXPECT_TRUE(b->IsLinkedTo(&sourceOfB));
    EXPECT_FALSE(b->IsLinkedTo(&sourceOfA));
    try {
        sourceOfA.SetDataSet(b.get());
        FAIL() << "b follows sourceOfA";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Circular datalinks are not allowed"));
    }
    EXPECT_EQ(sourceOfA.DataSet(), a.get());
    b->MasterLink().SetDataSource(nullptr);
    sourceOfA.SetDataSet(b.get());
    EXPECT_EQ(sourceOfA.DataSet(), b.get());
}

TEST(DataSetLinks, DestroyingADataSetDetachesItsSources) {
    auto data = MakeNumbers(2);
    Viewer viewer(data.get());
    data.reset();
    EXPECT_EQ(viewer.source.DataSet(), nullptr);
    EXPECT_EQ(viewer.source.State(), dsInactive);
    EXPECT_FALSE(viewer.link.Active());
}

}  // namespace
