Content-Length: 65

{"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {}}Content-Length: 278

{"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {"uri": "file:///work/proj/r.spm", "languageId": "quillon32-project", "version": 1, "text": "QUILLON Project File - Version 1.0\r\nSKMENU MAIN HROOT\rTX \"Dréh €😀\" A\nBLANK\r\nENDSKMENU\n"}}}Content-Length: 748

{"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {"textDocument": {"uri": "file:///work/proj/r.spm", "version": 2}, "contentChanges": [{"range": {"start": {"line": 2, "character": 9}, "end": {"line": 2, "character": 11}}, "text": "x"}, {"range": {"start": {"line": 3, "character": 99}, "end": {"line": 1, "character": 0}}, "text": "\n"}, {"range": {"start": {"line": -1, "character": -5}, "end": {"line": 0, "character": 3}}, "text": "Q"}, {"range": {"start": {"line": 40, "character": 0}, "end": {"line": 41, "character": 2}}, "text": "; end\n"}, {"text": "QUILLON Project File - Version 1.0\n"}, {"range": {"start": {"line": 1, "character": 0}, "end": {"line": 1, "character": 0}}, "text": "SKMENU M HROOT\nBLANK\nENDSKMENU\n"}]}}Content-Length: 291

{"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {"textDocument": {"uri": "file:///work/proj/other.spm", "version": 1}, "contentChanges": [{"range": {"start": {"line": 0, "character": 0}, "end": {"line": 0, "character": 0}}, "text": "QUILLON Project File - Version 1.0\n"}]}}Content-Length: 49

{"jsonrpc": "2.0", "id": 1, "method": "shutdown"}Content-Length: 36

{"jsonrpc": "2.0", "method": "exit"}