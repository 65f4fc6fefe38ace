http://stream.test/live
second line
