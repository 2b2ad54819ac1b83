#include "db/SessionLease.h"

namespace tbn::db {

SessionLease::SessionLease(Connection& owner)
    : owner_(owner), lent_(std::make_shared<Connection>()) {
    owner.session();  // raises when there is nothing to lend
    lent_->SetConnectionString(owner.ConnectionString());
    lent_->SetCursorLocation(owner.CursorLocation());
    lent_->session_ = std::move(owner.session_);
}

SessionLease::~SessionLease() {
    owner_.session_ = instead_ ? std::move(instead_->session_) : std::move(lent_->session_);
}

void SessionLease::GiveBackInstead(Connection replacement) { instead_ = std::move(replacement); }

}  // namespace tbn::db
