#pragma once
// A query-window test run over every provider route: a fresh database of the route in cnn (the
// test skips when the route's engine is absent), dropped again once the windows are gone.
#include "db/Connection.h"
#include "db/ProviderRoutes.h"
#include "support/QueryWindowFixture.h"

#include <initializer_list>
#include <string>

template <class Fixture = tbn::test::QueryWindowFixture> class RouteWindowTest
    : public Fixture,
      public ::testing::WithParamInterface<tbn::test::ProviderRoute> {
protected:
    void SetUp() override {
        Fixture::SetUp();
        std::string skipReason;
        const std::optional<std::string> fresh = GetParam().FreshDatabase(this->dir, skipReason);
        if (!fresh) GTEST_SKIP() << skipReason;
        cnn = *fresh;
    }
    void TearDown() override {
        // The windows go first: a server drops no database a session still uses.
        Fixture::TearDown();
        if (!cnn.empty() && GetParam().DropDatabase) GetParam().DropDatabase(cnn);
    }
    // Runs statements on a connection of its own, before a window opens on the database.
    void Prepare(std::initializer_list<const char*> statements) const {
        tbn::db::Connection connection;
        connection.Open(cnn);
        for (const char* statement : statements) connection.session().Execute(statement);
    }

    std::string cnn;
};

#define TBN_ON_EVERY_ROUTE(Suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(Routes, Suite, ::testing::ValuesIn(tbn::test::AllProviderRoutes()),   \
                             [](const ::testing::TestParamInfo<tbn::test::ProviderRoute>& info) {  \
                                 return info.param.Name;                                           \
                             })
