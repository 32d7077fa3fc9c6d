# The multi-connection downloader of one file and its resume record.
