#include "ConnectionFixture.h"
#include "environment/Errors.h"
#include "firebird/DatabaseError.h"
#include "ui/ScriptedUi.h"
#include "ui/UiServices.h"

namespace {

class GlobalCDS : public ConnectionModule {
protected:
    GlobalCDS() {
        module->DatabaseManager.ExecuteSQL(
            "CREATE TABLE Clients (id INTEGER NOT NULL PRIMARY KEY, nom VARCHAR(30) NOT NULL, ville VARCHAR(30))");
        module->DatabaseManager.ExecuteSQL("INSERT INTO Clients VALUES (1, 'Dupont', 'Lyon')");
        module->DatabaseManager.ExecuteSQL("INSERT INTO Clients VALUES (2, 'Martin', NULL)");
        module->DatabaseManager.ExecuteSQL("INSERT INTO Clients VALUES (3, 'Durand', 'Nîmes')");
    }

    TLocalClientDataset* OpenClients() {
        TLocalClientDataset* cds = module->CreateGlobalCDS();
        cds->Query().SetText("SELECT id, nom, ville FROM Clients ORDER BY id");
        cds->Open();
        return cds;
    }
};

TEST_F(GlobalCDS, HandsOutAndTakesBackDatasets) {
    TLocalClientDataset* first = module->CreateGlobalCDS();
    TLocalClientDataset* second = module->CreateGlobalCDS();
    EXPECT_EQ(module->HandedOutCDSCount(), 2u);
    EXPECT_EQ(first->Query().GetTransaction(), &module->GlobalTransaction);
    EXPECT_EQ(first->Dsp().DataSet(), &first->Query());
    module->FreeGlobalCDS(first);
    EXPECT_EQ(first, nullptr);
    EXPECT_NO_THROW(module->FreeGlobalCDS(first)); // the variable is empty after the first call
    EXPECT_EQ(module->HandedOutCDSCount(), 1u);

    TLocalClientDataset stranger;
    TLocalClientDataset* strangerRef = &stranger;
    try {
        module->FreeGlobalCDS(strangerRef);
        FAIL() << "a dataset of nobody's was taken back";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "FreeGlobalCDS : ClientDataset not found");
    }
    EXPECT_EQ(strangerRef, &stranger);
    module->FreeGlobalCDS(second);
    EXPECT_EQ(module->HandedOutCDSCount(), 0u);
}

TEST_F(GlobalCDS, DestructionReportsDatasetsNotGivenBack) {
    auto scripted = std::make_unique<ui::ScriptedUi>();
    ui::ScriptedUi& recorder = *scripted;
    auto previous = ui::SetCurrent(std::move(scripted));
    OpenClients();
    module.reset();
    ASSERT_EQ(recorder.Dialogs().size(), 1u);
    EXPECT_EQ(recorder.Dialogs()[0].type, ui::DialogType::CaptionedError);
    EXPECT_EQ(recorder.Dialogs()[0].caption, "");
    EXPECT_EQ(recorder.Dialogs()[0].text, "CDS NOT RELEASED\r\n");
    ui::SetCurrent(std::move(previous));
}

TEST_F(GlobalCDS, CachesRowsAndAppliesChangesInTheSharedTransaction) {
    TLocalClientDataset* cds = OpenClients();
    EXPECT_FALSE(module->InTransaction()); // reading was one level of its own
    ASSERT_EQ(cds->RecordCount(), 3u);
    ASSERT_EQ(cds->FieldCount(), 3u);
    EXPECT_EQ(cds->FieldName(2), "VILLE");
    EXPECT_EQ(cds->FieldByName(2, "ville").AsString(), "Nîmes");
    EXPECT_TRUE(cds->FieldByName(1, "VILLE").IsNull());

    cds->SetFieldByName(1, "VILLE", "Paris");      // a change of a row with a null column
    cds->Delete(0);                                // Dupont
    cds->Append({4, "Bernard", "Brest"});          // a new row
    std::size_t added = cds->Append({5, "Petit"}); // missing values are null
    cds->Delete(added);                            // never written
    EXPECT_EQ(cds->ChangeCount(), 3u);

    // The caller's own level holds the changes until it commits.
    module->DoStartTransaction(false);
    cds->ApplyUpdates();
    EXPECT_EQ(cds->ChangeCount(), 0u);
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Clients"), std::vector<std::string>{"3"});
    module->DoCommit();
    EXPECT_EQ(Committed("SELECT id || ':' || nom || ':' || COALESCE(ville, '-') FROM Clients ORDER BY id"),
              (std::vector<std::string>{"2:Martin:Paris", "3:Durand:Nîmes", "4:Bernard:Brest"}));
    module->FreeGlobalCDS(cds);
}

TEST_F(GlobalCDS, EachKindOfFailureRaisesItsFrenchText) {
    struct Row {
        const char* name;
        std::function<void(TLocalClientDataset&)> change;
        std::string prefix;
    };
    auto other = dbtest::Attach(path);
    const Row rows[] = {
        {"insertion of an existing key",
         [](TLocalClientDataset& cds) {
             cds.Append({1, "Doublon", "Metz"});
         },
         "L'insertion n'a pas pu se faire dans la base de données.\r\n\r\n"},
        {"change of a row deleted meanwhile",
         [&](TLocalClientDataset& cds) {
             dbtest::Execute(*other, "DELETE FROM Clients WHERE id = 2");
             cds.SetFieldByName(1, "NOM", "Martine");
         },
         "La modification n'a pas pu se faire dans la base de données.\r\n\r\n"},
        {"deletion of a row changed meanwhile",
         [&](TLocalClientDataset& cds) {
             dbtest::Execute(*other, "UPDATE Clients SET ville = 'Vichy' WHERE id = 3");
             cds.Delete(cds.RecordCount() - 1); // id 3, the last row
         },
         "La suppression n'a pas pu se faire dans la base de données.\r\n\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TLocalClientDataset* cds = OpenClients();
        row.change(*cds);
        try {
            cds->ApplyUpdates();
            ADD_FAILURE() << "applied";
        } catch (const fb::DatabaseError& e) {
            ADD_FAILURE() << "a database error instead of the French text: " << e.what();
        } catch (const Exception& e) {
            std::string message = e.what();
            EXPECT_EQ(message.rfind(row.prefix, 0), 0u) << message;
            EXPECT_GT(message.size(), row.prefix.size()) << "the failed change's own message is missing";
        }
        EXPECT_FALSE(module->InTransaction());
        EXPECT_EQ(module->TransactionState(), "0");
        EXPECT_GT(cds->ChangeCount(), 0u); // the cache keeps what could not be applied
        module->FreeGlobalCDS(cds);
    }
}

TEST_F(GlobalCDS, AFailedChangeUndoesTheOthersOfTheSameApply) {
    TLocalClientDataset* cds = OpenClients();
    cds->SetFieldByName(0, "VILLE", "Lille");
    cds->Append({2, "Doublon", fb::Value()});
    EXPECT_THROW(cds->ApplyUpdates(), Exception);
    EXPECT_EQ(Committed("SELECT ville FROM Clients WHERE id = 1"), std::vector<std::string>{"Lyon"});
    cds->CancelUpdates();
    EXPECT_EQ(cds->ChangeCount(), 0u);
    EXPECT_EQ(cds->RecordCount(), 3u);
    EXPECT_EQ(cds->FieldByName(0, "VILLE").AsString(), "Lyon");
    module->FreeGlobalCDS(cds);
}

} // namespace
