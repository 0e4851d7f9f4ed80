select 'GrÃ¼ÃŸe ğŸ˜€'; select ÿş bad utf8;
  go  
