# Tests of the downloader facade and the orbget tool.
