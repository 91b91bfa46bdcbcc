// The command-line host's logic lives here so tests can call it in-process.
