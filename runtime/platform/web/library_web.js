// The web platform's JavaScript library, linked into every program.
mergeInto(LibraryManager.library, {
  // fsync of a file in the user's folder copies the folder into IndexedDB
  // and resumes the program when that is done, as Emscripten's own does;
  // the resumption goes through callUserCallback, so that a program that
  // ends after it (an INI file written back at exit) ends cleanly instead of
  // leaving its ExitStatus uncaught. Errors are WASI numbers: 8 EBADF, 29 EIO.
  fd_sync__deps: ['$FS', '$callUserCallback'],
  fd_sync__sig: 'ii',
  fd_sync: function(fd) {
    var stream = FS.getStream(fd);
    if (!stream) return 8;
    return Asyncify.handleSleep(function(wakeUp) {
      var mount = stream.node.mount;
      if (!mount.type.syncfs) {
        wakeUp(0);
        return;
      }
      mount.type.syncfs(mount, false, function(err) {
        callUserCallback(function() { wakeUp(err ? 29 : 0); });
      });
    });
  },
});
