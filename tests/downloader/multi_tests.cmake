# Tests of the multi-connection downloader.
