#pragma once

// The plain TCP stream libgit2 runs HTTP (and, beneath its TLS layer, HTTPS) over. It is the
// library's own socket stream plus TCP_NODELAY: libgit2 writes a request body as many small
// pieces (chunk sizes, data, line ends), and with Nagle's algorithm each piece after the first
// waits for the server's delayed acknowledgement, about 40 ms per push or fetch request.
namespace GitSocketStream {

// Registers the stream for every later connection of the process. Called once, at start-up.
void install();

} // namespace GitSocketStream
