# The facade, task manager and command queue over the downloader.
