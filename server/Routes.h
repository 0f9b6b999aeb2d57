#pragma once

namespace httplib {
class Server;
}

struct ServerContext;

// One registration function per area of the API, each in its own file (AuthRoutes.cpp, …).
// Routes::registerAll is the one place that calls them.
void registerAuthRoutes(httplib::Server &server, ServerContext &ctx);
void registerAccountRoutes(httplib::Server &server, ServerContext &ctx);
void registerProjectRoutes(httplib::Server &server, ServerContext &ctx);
void registerAgentModelRoutes(httplib::Server &server, ServerContext &ctx);
void registerUpdateRoutes(httplib::Server &server, ServerContext &ctx);
void registerGitRoutes(httplib::Server &server, ServerContext &ctx);
void registerAgentRoutes(httplib::Server &server, ServerContext &ctx);
void registerRenderRoutes(httplib::Server &server, ServerContext &ctx);
void registerCutGraphRoutes(httplib::Server &server, ServerContext &ctx);
void registerShipRoutes(httplib::Server &server, ServerContext &ctx);

namespace Routes {

// Registers every endpoint plus the JSON 404 and 500 answers.
void registerAll(httplib::Server &server, ServerContext &ctx);

} // namespace Routes
