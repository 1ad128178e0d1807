// A FIFO of 16 bytes: write and read pointers around a memory.
module fifo(input clk, input rst, input push, input pop, input [7:0] din, output [7:0] dout,
            output empty, output full);
  reg [7:0] mem [0:15];
  reg [4:0] wp, rp;
  always @(posedge clk) begin
    if (rst) begin
      wp <= 0;
      rp <= 0;
    end else begin
      if (push && !full) wp <= wp + 1;
      if (pop && !empty) rp <= rp + 1;
    end
  end
  always @(posedge clk) if (push && !full) mem[wp[3:0]] <= din;
  assign dout = mem[rp[3:0]];
  assign empty = wp == rp;
  assign full = (wp[3:0] == rp[3:0]) && (wp[4] != rp[4]);
endmodule
