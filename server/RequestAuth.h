#pragma once

#include <optional>

#include "AuthorizedBody.h"
#include "UserRecord.h"

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

struct ServerContext;

// Bearer-token authentication of the API endpoints.
namespace RequestAuth {

// The account of the request's "Authorization: Bearer <token>", or nothing.
std::optional<UserRecord> bearerUser(ServerContext &ctx, const httplib::Request &req);

// Like bearerUser, but answers 401 with an `error` text when there is no valid token; the
// handler returns at once when this yields nothing.
std::optional<UserRecord> requireUser(ServerContext &ctx, const httplib::Request &req,
                                      httplib::Response &res);

// requireUser, then the JSON object body (400 when it is not one); the handler returns at once
// when this yields nothing.
std::optional<AuthorizedBody> requireUserWithBody(ServerContext &ctx, const httplib::Request &req,
                                                  httplib::Response &res);

} // namespace RequestAuth
