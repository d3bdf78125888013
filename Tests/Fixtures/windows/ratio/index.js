console.log(new Velto.Window().devicePixelRatio);
